// A window with the members of a Visual Basic form that the program's windows rely on: geometry in
// twips, the caption, the window state and its controls found by their names.
//
// Geometry is kept in twips as set and pixels are derived from it (15 twips per pixel at 96 DPI),
// so a width of 7000 twips reads back as 7000 although 7000 / 15 pixels is not whole. While the
// window has another size or place than the one derived (the user resized it, a minimum size
// applies), the twips follow what the window reports.
#pragma once

#include <QWidget>
#include <string>
#include <string_view>

namespace ui {

inline constexpr int kTwipsPerPixel = 15;

// Nearest whole pixel; halves round away from zero.
int pixelsFromTwips(int twips);
int twipsFromPixels(int pixels);

// Places a control inside its window, in twips (the form designer's unit).
void placeControl(QWidget* control, int left, int top, int width, int height);

// The primary screen's size in twips (VB's Screen.Width and Screen.Height).
int screenTwipsWidth();
int screenTwipsHeight();

// VB's WindowState values.
enum class FormWindowState { Normal = 0, Minimized = 1, Maximized = 2 };

class Form : public QWidget {
  public:
    explicit Form(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Window);

    int twipsLeft() const;
    int twipsTop() const;
    int twipsWidth() const;
    int twipsHeight() const;
    void setTwipsLeft(int twips);
    void setTwipsTop(int twips);
    void setTwipsWidth(int twips);
    void setTwipsHeight(int twips);
    // VB's Move: place (and, when given, size) the window in one step.
    void moveTwips(int left, int top);
    void moveTwips(int left, int top, int width, int height);

    std::string caption() const;
    void setCaption(std::string_view caption);

    FormWindowState formWindowState() const;
    void setFormWindowState(FormWindowState state);

    // A control of this window by its name (objectName), or nullptr.
    template <class T = QWidget>
    T* control(std::string_view name) const {
        return findChild<T*>(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }

  private:
    void applyPosition();
    void applySize();

    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace ui
