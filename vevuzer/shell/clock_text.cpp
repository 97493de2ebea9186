#include "vevuzer/shell/clock_text.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace vevuzer {
namespace {

// The locale's long time form ends with the time zone, which a log line does not want.
QString timeFormatWithoutZone(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

// Asked of the system once: Qt reads the system's locale once a process, and asking for the form
// on every line of a call's road was a good part of writing it.
const QString& logTimeFormat() {
    static const QString format = timeFormatWithoutZone(QLocale::system());
    return format;
}

}  // namespace

std::string timeText(core::OleDate when) {
    const core::DateParts parts = core::datePartsOf(when);
    const QTime time(parts.hour, parts.minute, parts.second);
    return QLocale::system().toString(time, logTimeFormat()).toStdString();
}

std::string dateText(core::OleDate when) {
    const core::DateParts parts = core::datePartsOf(when);
    const QDate date(parts.year, parts.month, parts.day);
    return QLocale::system().toString(date, QLocale::ShortFormat).toStdString();
}

std::string generalDateText(core::OleDate when) {
    const core::DateParts parts = core::datePartsOf(when);
    if (parts.hour == 0 && parts.minute == 0 && parts.second == 0) {
        return dateText(when);
    }
    return dateText(when) + " " + timeText(when);
}

}  // namespace vevuzer
