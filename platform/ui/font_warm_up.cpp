#include "platform/ui/font_warm_up.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <utility>

namespace ui {

FontWarmUp::FontWarmUp(std::vector<std::string> families)
    : m_thread([families = std::move(families)] {
          // The first call lists the faces, which sets up the font configuration; measuring a
          // family finds its face and the faces that stand in for missing letters.
          QFontDatabase::families();
          QFontMetrics(QFont()).height();
          for (const std::string& family : families) {
              QFontMetrics(QFont(QString::fromStdString(family))).height();
          }
      }) {}

FontWarmUp::~FontWarmUp() {
    m_thread.join();
}

}  // namespace ui
