#include "lkLK36/vantage/vantage_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "lkLK36/vantage/vantage_glyphs.h"

LONG ReadWholeNumber(const std::string& text) {
    if (text.empty())
        return 0;
    const bool hex = text[0] == '$';
    const std::string digits = hex ? text.substr(1) : text;
    if (digits.empty())
        return 0;
    bool ok = false;
    const QString value = QString::fromStdString(digits);
    if (hex) {
        const qulonglong number = value.toULongLong(&ok, 16);
        return ok && number <= 0xFFFFFFFFull ? static_cast<LONG>(static_cast<DWORD>(number)) : 0;
    }
    const qlonglong number = value.toLongLong(&ok, 10);
    return ok && number >= INT32_MIN && number <= INT32_MAX ? static_cast<LONG>(number) : 0;
}

std::string HexEditText(DWORD value) {
    return "$" + Hex8(value);
}

VantageWindow::VantageWindow(TlkVantage& vantage, const VantageKindTraits& traits)
    : QMainWindow(nullptr), m_vantage(vantage), m_traits(traits) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    setCentralWidget(central);

    m_headerRow = new QHBoxLayout;
    column->addLayout(m_headerRow);
    buildHeader();
    buildToolButtons();

    m_pages = new QTabWidget(central);
    m_pages->setObjectName("PageControl1");
    m_pages->setMinimumSize(traits.minWidth, traits.minHeight);
    column->addWidget(m_pages, 1);
    buildLogPage();
}

VantageWindow::~VantageWindow() = default;

void VantageWindow::buildHeader() {
    m_deviceGroup = new QGroupBox("Device.ID = 0    Device.Count = 0", centralWidget());
    m_deviceGroup->setObjectName("GroupBoxDevice");
    auto* row = new QHBoxLayout(m_deviceGroup);
    row->setContentsMargins(4, 2, 4, 2);
    m_statusActive = new QLabel(m_deviceGroup);
    m_statusActive->setObjectName("ImageStatusActive");
    m_statusActive->setPixmap(lampPixmap(LampColour::Green, true));
    m_statusInactive = new QLabel(m_deviceGroup);
    m_statusInactive->setObjectName("ImageStatusInactive");
    m_statusInactive->setPixmap(lampPixmap(LampColour::Gray, false));
    m_statusActive->hide();
    m_deviceCombo = new QComboBox(m_deviceGroup);
    m_deviceCombo->setObjectName("ComboBoxDevice");
    m_deviceCombo->setToolTip(
        QString::fromStdString(std::string(m_traits.controlName) + ".Device.Name"));
    row->addWidget(m_statusActive);
    row->addWidget(m_statusInactive);
    row->addWidget(m_deviceCombo, 1);
    m_headerRow->addWidget(m_deviceGroup, 1);
}

void VantageWindow::buildToolButtons() {
    struct Button {
        const char* name;
        const char* hint;
        const char* glyph;
        std::function<void()> body;
    };
    const Button buttons[] = {
        {"SpeedButtonCopy", "Copy log to clipboard", "Copy",
         [this] {
             m_memo->selectAll();
             m_memo->copy();
         }},
        {"SpeedButtonClear", "Clear log and reset enunciators", "Clear",
         [this] { SpeedButtonClearClick(); }},
        {"SpeedButtonErrors", "Error enunciator - Click to reset", "!",
         [this] { m_errors->setEnabled(false); }},
        {"SpeedButtonUpdate", "Check web for update", "Web", [] { OpenUpdatesPage(); }},
        {"SpeedButtonHomePage", "Orvane's Home Page", "Home", [] { OpenHomePage(); }},
        {"SpeedButtonSupport", "How to get support", "Support", [] { OpenSupportPage(); }},
        {"SpeedButtonHelp", "Help", "?", [] { ShowHelp({}); }},
    };
    auto* tools = new QHBoxLayout;
    tools->setSpacing(1);
    for (const Button& b : buttons) {
        auto* button = new QToolButton(centralWidget());
        button->setObjectName(b.name);
        button->setToolTip(b.hint);
        button->setText(b.glyph);
        button->setAutoRaise(false);
        onSignal(button, &QToolButton::clicked, b.body);
        if (std::string_view(b.name) == "SpeedButtonUpdate")
            tools->addStretch(1);  // the web and help buttons stand right-aligned
        tools->addWidget(button);
        if (std::string_view(b.name) == "SpeedButtonErrors")
            m_errors = button;
    }
    m_errors->setEnabled(false);
    static_cast<QVBoxLayout*>(centralWidget()->layout())->addLayout(tools);
}

void VantageWindow::buildLogPage() {
    m_logPage = new QWidget;
    m_logPage->setObjectName("TabSheetLog");
    auto* column = new QVBoxLayout(m_logPage);
    column->setContentsMargins(4, 4, 4, 4);
    m_logRow = new QWidget(m_logPage);
    auto* row = new QHBoxLayout(m_logRow);
    row->setContentsMargins(0, 0, 0, 0);
    m_logActive = new QCheckBox("Log.&Active", m_logRow);
    m_logActive->setObjectName("CheckBoxLogActive");
    auto* countLabel = new QLabel("Log.&Count", m_logRow);
    countLabel->setObjectName("LabelLogCount");
    m_logCount = new QLineEdit(m_logRow);
    m_logCount->setObjectName("EditLogCount");
    m_logCount->setMaximumWidth(60);
    countLabel->setBuddy(m_logCount);
    m_logTimeStamp = new QCheckBox("Log.&TimeStamp", m_logRow);
    m_logTimeStamp->setObjectName("CheckBoxLogTimeStamp");
    row->addWidget(m_logActive);
    row->addWidget(countLabel);
    row->addWidget(m_logCount);
    row->addWidget(m_logTimeStamp);
    row->addStretch(1);
    column->addWidget(m_logRow);
    m_memo = new QPlainTextEdit(m_logPage);
    m_memo->setObjectName("MemoLog");
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setToolTip(
        QString::fromStdString(std::string(m_traits.controlName) + ".Vantage.Log.Lines"));
    column->addWidget(m_memo, 1);
    m_pages->addTab(m_logPage, "Log");

    // clicked and editingFinished come from the user only, so the layout's own writes never
    // drive the log.
    onSignal(m_logActive, &QCheckBox::clicked, [this] { MenuLogActiveClick(); });
    onSignal(m_logTimeStamp, &QCheckBox::clicked, [this] { MenuLogTimeStampClick(); });
    onSignal(m_logCount, &QLineEdit::editingFinished, [this] { EditLogCountExit(); });
    connect(m_pages, &QTabWidget::currentChanged, this, [this] {
        if (m_pages->currentWidget() == m_logPage)
            FormResize();
    });
}

QAction* VantageWindow::addMenuAction(QMenu* menu, const char* name, const char* caption,
                                      std::function<void()> body, bool checkable) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    action->setCheckable(checkable);
    if (body)
        onSignal(action, &QAction::triggered, std::move(body));
    return action;
}

void VantageWindow::showDeviceCaption(LONG id, LONG count) {
    // Each half converted on its own, so both follow the syntax.
    m_deviceGroup->setTitle(
        QString::fromStdString(syntax("Device.ID = " + std::to_string(id)) +
                               syntax("    Device.Count = " + std::to_string(count))));
}

void VantageWindow::addPopupMenu(const char* name, const char* caption,
                                 std::vector<VantagePopupItem> items) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(name);
    for (const VantagePopupItem& item : items) {
        QAction* action = menu->addAction(QString::fromStdString(item.caption));
        action->setObjectName(QString::fromStdString(item.name));
        action->setCheckable(true);
        bool* flag = item.flag;
        // The new mark is the negation of the old one; the flag takes it.
        onSignal(action, &QAction::triggered, [this, action, flag] {
            *flag = action->isChecked();
            DesignerUpdate();
        });
        m_popupItems.emplace_back(action, flag);
    }
    connect(menu, &QMenu::aboutToShow, this, [this] {
        for (auto& [action, flag] : m_popupItems)
            action->setChecked(*flag);
    });
}

void VantageWindow::addVantageMenu() {
    QMenu* menu = menuBar()->addMenu("&Vantage");
    menu->setObjectName("MenuVantage");
    QMenu* devEnv = menu->addMenu("&DevEnv");
    devEnv->setObjectName("MenuDevEnv");
    const std::pair<const char*, const char*> names[] = {{"MenuDevEnvCBuilder", "C++ Builder"},
                                                         {"MenuDevEnvDelphi", "Delphi"},
                                                         {"MenuDevEnvVB", "Visual Basic"},
                                                         {"MenuDevEnvOther", "Other"}};
    const TxDevEnv values[] = {deCppBuilder, deDelphi, deVisualBasic, deOther};
    for (int i = 0; i < 4; ++i) {
        if (i == 3)
            devEnv->addSeparator();
        const TxDevEnv value = values[i];
        m_devEnvItems.push_back(addMenuAction(
            devEnv, names[i].first, names[i].second, [this, value] { switchDevEnv(value); }, true));
    }
    connect(devEnv, &QMenu::aboutToShow, this, [this] {
        const TxDevEnv order[] = {deCppBuilder, deDelphi, deVisualBasic, deOther};
        for (int i = 0; i < 4; ++i)
            m_devEnvItems[i]->setChecked(m_vantage.DevEnv() == order[i]);
    });

    m_menuEvents = addMenuAction(
        menu, "MenuVTEvents", "&Events", [this] { m_vantage.SetEvents(m_menuEvents->isChecked()); },
        true);

    QMenu* log = menu->addMenu("L&og");
    log->setObjectName("MenuLog");
    m_menuLogActive = addMenuAction(
        log, "MenuLogActive", "&Active", [this] { MenuLogActiveClick(); }, true);
    m_menuLogActive->setShortcut(QKeySequence("Ctrl+L"));
    m_menuLogCount = addMenuAction(
        log, "MenuLogCount", "&Count", [this] { MenuLogCountClick(); }, true);
    m_menuLogTimeStamp = addMenuAction(
        log, "MenuLogTimeStamp", "&TimeStamp", [this] { MenuLogTimeStampClick(); }, true);
    log->addSeparator();
    addMenuAction(log, "MenuLogClear", "C&lear", [this] { SpeedButtonClearClick(); });
    addMenuAction(log, "MenuLogClearError", "Clear &Error",
                  [this] { m_errors->setEnabled(false); });
    connect(log, &QMenu::aboutToShow, this,
            [this] { m_menuLogTimeStamp->setChecked(m_vantage.Log().TimeStamp()); });

    m_menuStayOnTop = addMenuAction(
        menu, "MenuVTStayOnTop", "StayOnTop",
        [this] {
            m_vantage.SetStayOnTop(m_menuStayOnTop->isChecked());
            if (m_closing)
                return;
            m_menuStayOnTop->setChecked(m_vantage.StayOnTop());
            DesignerUpdate();
        },
        true);
    m_menuVisible = addMenuAction(
        menu, "MenuVTVisible", "Visible",
        [this] {
            const bool value = m_menuVisible->isChecked();
            // Unchecking closes this very window: the monitor object is reached before the
            // call, the window not after it.
            TlkVantage& vantage = m_vantage;
            vantage.SetVisible(value);
            if (!m_closing && relaysLogOnVisible())
                LayoutLogPanel();
            vantage.DesignerUpdate();
        },
        true);
    connect(menu, &QMenu::aboutToShow, this, [this] {
        m_menuEvents->setChecked(m_vantage.Events());
        m_menuStayOnTop->setChecked(m_vantage.StayOnTop());
        m_menuVisible->setChecked(m_vantage.Visible());
    });
}

void VantageWindow::addHelpMenu() {
    QMenu* menu = menuBar()->addMenu("&Help");
    menu->setObjectName("MenuHelp");
    QAction* contents = addMenuAction(menu, "MenuHelpContents", "&Contents", [] { ShowHelp({}); });
    contents->setShortcut(QKeySequence(Qt::Key_F1));
    menu->addSeparator();
    addMenuAction(menu, "MenuHelpHowToGetSupport", "&How To Get Support",
                  [] { OpenSupportPage(); });
    addMenuAction(menu, "MenuHelpOrvaneHomePage", "&Orvane Home Page", [] { OpenHomePage(); });
    addMenuAction(menu, "MenuHelpCheckWebForUpdates", "Check &Web For Updates",
                  [] { OpenUpdatesPage(); });
}

// ---- handlers ----

void VantageWindow::handle(const std::function<void()>& body) {
    if (m_closing)
        return;
    ++m_handlerDepth;
    body();
    if (--m_handlerDepth == 0 && m_closing)
        finishClose();
}

void VantageWindow::MenuLogActiveClick() {
    // The menu item and the check box share the handler; the menu's mark is the old state.
    const bool value = !m_vantage.Log().Active();
    m_vantage.Log().SetActive(value);
    if (m_closing)
        return;
    LayoutLogPanel();
    DesignerUpdate();
}

void VantageWindow::MenuLogTimeStampClick() {
    const bool value = !m_vantage.Log().TimeStamp();
    m_vantage.Log().SetTimeStamp(value);
    if (m_closing)
        return;
    LayoutLogPanel();
    DesignerUpdate();
}

void VantageWindow::MenuLogCountClick() {
    DesignerUpdate();
    LayoutLogPanel();
    if (m_menuLogCount->isChecked())
        m_pages->setCurrentWidget(m_logPage);
}

void VantageWindow::EditLogCountExit() {
    m_vantage.Log().SetCount(ReadWholeNumber(m_logCount->text().toStdString()));
    if (m_closing)
        return;
    DesignerUpdate();
}

void VantageWindow::SpeedButtonClearClick() {
    m_errors->setEnabled(false);
    m_vantage.Log().setLines({});
    if (!m_closing)
        LayoutLogPanel();
}

void VantageWindow::switchDevEnv(TxDevEnv devEnv) {
    for (QAction* item : m_devEnvItems)
        item->setChecked(false);
    const TxDevEnv order[] = {deCppBuilder, deDelphi, deVisualBasic, deOther};
    for (int i = 0; i < 4; ++i) {
        if (order[i] == devEnv)
            m_devEnvItems[i]->setChecked(true);
    }
    m_vantage.SetDevEnv(devEnv);
    if (m_closing)
        return;
    refreshPropertyPaths();
    LayoutLogPanel();
    applyTemplates();
}

void VantageWindow::applyTemplates() {
    std::vector<VantageTemplate> all = {
        {"CheckBoxLogActive", VantageTemplate::Caption, "Log.&Active"},
        {"LabelLogCount", VantageTemplate::Caption, "Log.&Count"},
        {"CheckBoxLogTimeStamp", VantageTemplate::Caption, "Log.&TimeStamp"},
    };
    for (VantageTemplate& t : templates())
        all.push_back(std::move(t));
    for (const VantageTemplate& t : all) {
        QWidget* widget = component(t.component.c_str());
        if (!widget)
            continue;
        const QString text = QString::fromStdString(syntax(t.text));
        if (t.target == VantageTemplate::Hint) {
            widget->setToolTip(text);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(text);
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            group->setTitle(text);
        }
    }
}

void VantageWindow::applyStoredHints() {
    for (const VantageTemplate& t : templates()) {
        if (t.target != VantageTemplate::Hint)
            continue;
        QWidget* widget = component(t.component.c_str());
        if (!widget || !widget->toolTip().isEmpty())
            continue;
        std::string text = t.text;
        std::replace(text.begin(), text.end(), '~', '.');
        widget->setToolTip(QString::fromStdString(text));
    }
}

// ---- the Log page ----

void VantageWindow::LayoutLogPanel() {
    const TlkLog& log = m_vantage.Log();
    m_logRow->setVisible(m_menuLogCount && m_menuLogCount->isChecked());
    const QSignalBlocker a(m_logActive), b(m_logTimeStamp);
    m_logActive->setChecked(log.Active());
    m_logTimeStamp->setChecked(log.TimeStamp());
    if (m_menuLogActive)
        m_menuLogActive->setChecked(log.Active());
    if (m_menuLogTimeStamp)
        m_menuLogTimeStamp->setChecked(log.TimeStamp());
    const QString count = QString::number(log.Count());
    if (m_logCount->text() != count)
        m_logCount->setText(count);
    // The view ends at the last line that says something: trailing blank lines are not shown.
    auto end = log.Lines().end();
    while (end != log.Lines().begin()) {
        const std::string& last = *(end - 1);
        if (!last.empty() && last != " ")
            break;
        --end;
    }
    showLogLines(std::vector<std::string>(log.Lines().begin(), end));
    m_memo->verticalScrollBar()->setValue(m_memo->verticalScrollBar()->maximum());
}

void VantageWindow::showLogLines(std::vector<std::string> lines) {
    // A busy line adds a line or two at a time and drops as many of the oldest: the memo is told
    // only that, not the whole log again.
    std::size_t dropped = 0;
    bool follows = false;
    for (; dropped <= m_shownLog.size() && dropped <= 8; ++dropped) {
        const std::size_t kept = m_shownLog.size() - dropped;
        if (kept <= lines.size() &&
            std::equal(m_shownLog.begin() + static_cast<std::ptrdiff_t>(dropped), m_shownLog.end(),
                       lines.begin())) {
            follows = true;
            break;
        }
    }
    // A line that holds a line break (a caller's name may) is more than one block of the memo:
    // when such a line leaves, the memo is written again rather than counted.
    const auto breaksLine = [](const std::string& line) {
        return line.find_first_of("\r\n") != std::string::npos ||
               line.find("\u2028") != std::string::npos || line.find("\u2029") != std::string::npos;
    };
    if (follows &&
        std::any_of(m_shownLog.begin(), m_shownLog.begin() + static_cast<std::ptrdiff_t>(dropped),
                    breaksLine))
        follows = false;
    if (!follows || dropped == m_shownLog.size()) {
        QString text;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i > 0)
                text += '\n';
            text += QString::fromStdString(lines[i]);
        }
        m_memo->setPlainText(text);
    } else {
        if (dropped > 0) {
            QTextCursor cursor(m_memo->document());
            cursor.movePosition(QTextCursor::Start);
            cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor,
                                static_cast<int>(dropped));
            cursor.removeSelectedText();
        }
        for (std::size_t i = m_shownLog.size() - dropped; i < lines.size(); ++i)
            m_memo->appendPlainText(QString::fromStdString(lines[i]));
    }
    m_shownLog = std::move(lines);
}

void VantageWindow::hideLogSettingsRow() {
    if (m_menuLogCount)
        m_menuLogCount->setChecked(false);
    m_logRow->hide();
}

void VantageWindow::showLogPage() {
    m_pages->setCurrentWidget(m_logPage);
}

void VantageWindow::enableErrorButton() {
    m_errors->setEnabled(true);
}

// ---- geometry and life ----

void VantageWindow::FormResize() {
    if (m_closing)
        return;
    m_vantage.keepFormGeometry(top(), left(), width(), height(), windowState());
    resizePages();
}

void VantageWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void VantageWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    FormResize();
}

void VantageWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (m_closing)
        return;
    // Closed by the user: the monitor object forgets the window, which then goes once the event
    // has been handled.
    m_vantage.FormClose(*this);
    m_vantage.FormDestroy(*this);
    m_closing = true;
    if (m_handlerDepth == 0) {
        m_freed = true;
        deleteLater();
    }
}

void VantageWindow::closeForm() {
    if (m_closing)
        return;
    m_closing = true;
    hide();
    // Closed by the control. Outside the window's own handlers nothing of the window is on the
    // stack, and it goes at once (before the library that made it can be unloaded); inside one
    // it stays until that handler has returned.
    if (m_handlerDepth == 0) {
        m_freed = true;
        delete this;
    }
}

void VantageWindow::finishClose() {
    if (m_freed)
        return;
    m_freed = true;
    // Still inside the signal that ran the handler: freed when control is back in the loop.
    deleteLater();
}

void VantageWindow::show() {
    if (m_closing)
        return;
    if (isMinimized())
        showNormal();
    QMainWindow::show();
    raise();
}

void VantageWindow::setCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

void VantageWindow::setStayOnTop(bool stayOnTop) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, stayOnTop);
    // Changing a window flag hides the window; it comes back at once.
    if (shown)
        QMainWindow::show();
}

LONG VantageWindow::top() const {
    return pos().y();
}
LONG VantageWindow::left() const {
    return pos().x();
}

TxWindowState VantageWindow::windowState() const {
    if (isMinimized())
        return wsMinimized;
    if (isMaximized())
        return wsMaximized;
    return wsNormal;
}

void VantageWindow::setTop(LONG top) {
    move(pos().x(), top);
}
void VantageWindow::setLeft(LONG left) {
    move(left, pos().y());
}
void VantageWindow::setWidth(LONG width) {
    resize(width, height());
}
void VantageWindow::setHeight(LONG height) {
    resize(width(), height);
}

void VantageWindow::setWindowState(TxWindowState state) {
    switch (state) {
        case wsMinimized:
            QMainWindow::setWindowState(Qt::WindowMinimized);
            break;
        case wsMaximized:
            QMainWindow::setWindowState(Qt::WindowMaximized);
            break;
        default:
            QMainWindow::setWindowState(Qt::WindowNoState);
            break;
    }
}
