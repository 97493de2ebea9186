#include "vevuzer/records/frm_inclog.h"

#include <QCloseEvent>
#include <QFont>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringList>
#include <QStringListModel>
#include <functional>
#include <utility>

namespace {

using vevuzer::IncomingCallsLog;

constexpr int kWidthTwips = 9600;
constexpr int kHeightTwips = 6900;
constexpr int kButtonLeft = 7500;

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The call list: Enter acts as a double click, and a right click opens the menu without moving
// the selection, so the menu's items act on the entry the user chose.
class CallList : public QListView {
  public:
    CallList(QWidget* parent, std::function<void()> onEnter, std::function<void(QPoint)> onMenu)
        : QListView(parent), m_onEnter(std::move(onEnter)), m_onMenu(std::move(onMenu)) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            m_onEnter();
            return;
        }
        QListView::keyPressEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::RightButton) {
            QListView::mousePressEvent(event);
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) {
            m_onMenu(event->globalPosition().toPoint());
            return;
        }
        QListView::mouseReleaseEvent(event);
    }

  private:
    std::function<void()> m_onEnter;
    std::function<void(QPoint)> m_onMenu;
};

QLabel* helpLabel(QWidget* parent, const char* name, const char* text, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(QFont("Times New Roman"));
    label->setWordWrap(true);
    ui::placeControl(label, 120, top, 7200, 600);
    return label;
}

}  // namespace

frm_inclog::frm_inclog(IncomingCallsLog::ShowDirectory showDirectory,
                       IncomingCallsLog::ShowStatusBox showStatusBox, QWidget* parent)
    : ui::Form(parent),
      m_logic(std::move(showDirectory), std::move(showStatusBox)),
      m_calls(new QStringListModel(this)) {
    setObjectName("frm_inclog");
    setCaption("Incoming calls log");

    auto* image = new QLabel(this);
    image->setObjectName("Image1");
    image->setStyleSheet("background: #1d6f42;");
    ui::placeControl(image, kButtonLeft - 120, 0, kWidthTwips - kButtonLeft + 120, kHeightTwips);

    m_mnuSettings = new QMenu("settings", this);
    m_mnuSettings->setObjectName("mnu_settings");
    const auto item = [this](const char* name, const char* text,
                             void (IncomingCallsLog::*handler)()) {
        QAction* action = m_mnuSettings->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, handler] { (m_logic.*handler)(); });
    };
    item("mnu_remove", "Remove this caller from the list", &IncomingCallsLog::Command3_Click);
    item("mnu_addcaller", "Add this caller to the telephone directory",
         &IncomingCallsLog::Command4_Click);
    item("mnu_reset", "Clear the incoming calls log", &IncomingCallsLog::Command2_Click);
    item("mnu_listen", "Listen to this entry", &IncomingCallsLog::com_calls_DblClick);

    m_comCalls = new CallList(
        this, [this] { m_logic.com_calls_DblClick(); },
        [this](QPoint at) { m_mnuSettings->popup(at); });
    m_comCalls->setObjectName("com_calls");
    m_comCalls->setToolTip("Right click on an entry for more options");
    m_comCalls->setFont(QFont("Times New Roman"));
    // A log of many thousand calls: one model filled in one step, rows of one height.
    m_comCalls->setUniformItemSizes(true);
    m_comCalls->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_comCalls->setModel(m_calls);
    ui::placeControl(m_comCalls, 120, 120, 7200, 4560);
    connect(m_comCalls->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_showingControls) {
                    m_logic.setListIndex(current.row());
                }
            });
    connect(m_comCalls, &QListView::doubleClicked, this, [this] { m_logic.com_calls_DblClick(); });

    const auto button = [this](const char* name, const char* text, const char* tip, int top,
                               void (IncomingCallsLog::*handler)()) {
        auto* pushButton = new QPushButton(text, this);
        pushButton->setObjectName(name);
        pushButton->setToolTip(tip);
        ui::placeControl(pushButton, kButtonLeft, top, 1900, 420);
        connect(pushButton, &QPushButton::clicked, this, [this, handler] { (m_logic.*handler)(); });
    };
    button("Command1", "&Close", "Click here to close this window", 120,
           &IncomingCallsLog::Command1_Click);
    button("Command5", "Print", "Click here to print the calls log.", 660,
           &IncomingCallsLog::Command5_Click);
    button("Command3", "&Remove caller", "Click here to remove a particular caller from the list",
           4860, &IncomingCallsLog::Command3_Click);
    button("Command2", "Clear &log", "Click here to erase all of the caller information", 5520,
           &IncomingCallsLog::Command2_Click);
    button("Command4", "Add to directory",
           "Click here to add the selected caller to the telephone directory", 6180,
           &IncomingCallsLog::Command4_Click);

    helpLabel(this, "Label1",
              "To delete all calls from a particular caller in the list, highlight (click) the "
              "callers number in the above list, then click on the 'remove caller' button to the "
              "right of this text.",
              4800);
    helpLabel(this, "Label2",
              "To clear the whole list of callers above, simply click on the 'Clear log; button "
              "to the right hand side of this text.",
              5460);
    helpLabel(this, "Label4",
              "To add a caller to the telephone directory, highlight the entry above and then "
              "click on the 'Add to directory' button to the right of this text.",
              6120);

    setTwipsWidth(kWidthTwips);
    setTwipsHeight(kHeightTwips);
    m_logic.setWindow(this);
}

frm_inclog::~frm_inclog() {
    m_logic.setWindow(nullptr);
}

void frm_inclog::Show() {
    m_logic.Load();
    show();
    raise();
    activateWindow();
}

void frm_inclog::closeEvent(QCloseEvent* event) {
    m_unloading = true;
    m_logic.Unload();
    m_unloading = false;
    event->accept();
}

void frm_inclog::controlsChanged() {
    m_showingControls = true;
    const vevuzer::InclogControls& shown = m_logic.controls();
    QStringList items;
    items.reserve(static_cast<qsizetype>(shown.com_calls.size()));
    for (const std::string& call : shown.com_calls) {
        items.push_back(qText(call));
    }
    m_calls->setStringList(items);
    m_comCalls->setCurrentIndex(m_calls->index(shown.ListIndex, 0));
    m_showingControls = false;
}

void frm_inclog::unloaded() {
    if (!m_unloading) {
        hide();
    }
}
