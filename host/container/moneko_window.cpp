#include "host/container/moneko_window.h"

#include "platform/com/module_loader.h"
#include "platform/ui/modal_seam.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace com = platform::com;

namespace {

// The property page's ProgID beside the control's: "X.XCtrl.1" has "X.XPropPage.1".
std::string PropertyPageProgId(const std::string& controlProgId) {
    const auto ctrl = controlProgId.find("Ctrl.");
    if (ctrl == std::string::npos) return {};
    return controlProgId.substr(0, ctrl) + "PropPage." + controlProgId.substr(ctrl + 5);
}

}  // namespace

MonekoWindow::MonekoWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Moneko♪"));
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    QAction* quit = file->addAction(QStringLiteral("終了(&X)"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    m_commandMenu = menuBar()->addMenu(QStringLiteral("操作(&O)"));
    connect(m_commandMenu, &QMenu::aboutToShow, this, &MonekoWindow::RefreshCommandMenu);
    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    m_fullScreen = view->addAction(QStringLiteral("全画面表示(&F)"));
    m_fullScreen->setCheckable(true);
    m_fullScreen->setShortcut(QKeySequence(Qt::Key_F11));
    // On the window too: the menu bar is hidden in full screen, and its shortcuts with it.
    addAction(m_fullScreen);
    connect(m_fullScreen, &QAction::toggled, this, &MonekoWindow::SetFullScreen);
    m_leaveFullScreen = new QAction(QStringLiteral("全画面表示を終了"), this);
    m_leaveFullScreen->setShortcut(QKeySequence(Qt::Key_Escape));
    m_leaveFullScreen->setEnabled(false);
    addAction(m_leaveFullScreen);
    connect(m_leaveFullScreen, &QAction::triggered, this, [this] { SetFullScreen(false); });
    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->addAction(QStringLiteral("プロパティ(&P)..."), this, &MonekoWindow::ShowProperties);
    help->addAction(QStringLiteral("バージョン情報(&A)..."), this, &MonekoWindow::ShowAbout);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(central);
}

MonekoWindow::~MonekoWindow() { CloseControl(); }

MonekoWindow::OpenResult MonekoWindow::Open(const std::string& progId, const com::PropertyBag& params,
                                            QString* error) {
    CloseControl();
    m_progId = progId;
    com::HResult hr = com::S_OK;
    // Created without a window first: the parameters must be in before the window starts.
    m_site = com::ControlSite::CreateByProgId(progId, nullptr, &hr);
    if (!m_site) {
        const QString id = QString::fromStdString(progId);
        if (hr == com::CO_E_CLASSSTRING || hr == com::REGDB_E_CLASSNOTREG) {
            *error = QStringLiteral("%1 is not registered; install with moneko-setup first").arg(id);
            return OpenResult::NotRegistered;
        }
        const QString why = QString::fromStdString(com::ModuleLoader::Instance().LastError());
        *error = QStringLiteral("%1 could not be created: %2").arg(id, why);
        return hr == com::CO_E_ERRORINDLL && why.contains(QStringLiteral("start")) ? OpenResult::StartFailed
                                                                                     : OpenResult::CannotCreate;
    }
    // A control that keeps no properties does not know the call; that is fine.
    if (!params.Empty()) m_site->Call(com::DISPID_LOAD_PROPERTY_BAG, {com::Variant::Bstr(params.ToText())});

    QWidget* window = m_site->control()->CreateControlWindow(centralWidget());
    if (!window) {
        m_site.reset();
        *error = QStringLiteral("%1 has no window").arg(QString::fromStdString(progId));
        return OpenResult::CannotCreate;
    }
    const QSize initial = window->size();
    window->setMinimumSize(kMinimumControlSize);
    centralWidget()->layout()->addWidget(window);
    window->show();
    // The control's own size is its template's, too small for the world's chat and view.
    const int menuHeight = menuBar()->sizeHint().height();
    const QSize first(std::max(initial.width(), kFirstStartSize.width()),
                      std::max(initial.height() + menuHeight, kFirstStartSize.height()));
    if (m_geometryStore) m_geometryStore->Restore(*this, first);
    else resize(first);
    window->setFocus();
    RefreshCommandMenu();
    return OpenResult::Opened;
}

void MonekoWindow::RefreshCommandMenu() {
    m_commandMenu->clear();
    QWidget* control = ControlWindow();
    if (!control) return;
    QList<QWidget*> widgets{control};
    widgets += control->findChildren<QWidget*>();
    QString lastGroup;
    QMenu* gestures = nullptr;
    for (QWidget* widget : widgets) {
        for (QAction* action : widget->actions()) {
            const QString group = action->property("menuGroup").toString();
            if (group.isEmpty()) continue;
            if (group == QLatin1String("gestures")) {
                if (!gestures) gestures = m_commandMenu->addMenu(QStringLiteral("アバタ動作(&G)"));
                gestures->addAction(action);
                continue;
            }
            if (!lastGroup.isEmpty() && group != lastGroup) m_commandMenu->addSeparator();
            lastGroup = group;
            m_commandMenu->addAction(action);
        }
    }
}

void MonekoWindow::SetFullScreen(bool on) {
    if (on == isFullScreen()) return;
    if (on) {
        m_wasMaximized = isMaximized();
        menuBar()->hide();
        showFullScreen();
    } else {
        menuBar()->show();
        if (m_wasMaximized) showMaximized();
        else showNormal();
    }
    if (m_fullScreen->isChecked() != on) m_fullScreen->setChecked(on);
    // Esc belongs to the world's own windows otherwise (dialogs, a waiting reconnection).
    m_leaveFullScreen->setEnabled(on);
}

void MonekoWindow::ShowAbout() {
    if (m_site) m_site->Call(com::DISPID_ABOUTBOX);
}

void MonekoWindow::ShowProperties() {
    const std::string pageId = PropertyPageProgId(m_progId);
    if (pageId.empty()) return;
    QDialog dialog(this);
    auto* layout = new QVBoxLayout(&dialog);
    auto page = com::ControlSite::CreateByProgId(pageId, &dialog);
    if (!page || !page->Window()) return;
    dialog.setWindowTitle(page->Window()->windowTitle());
    layout->addWidget(page->Window());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    platform::ui::CurrentModalSeam().RunModal(&dialog);
    page.reset();
}

void MonekoWindow::closeEvent(QCloseEvent* event) {
    if (m_geometryStore && m_site) m_geometryStore->Save(*this);
    // The control ends its session (leaving the region) while the window is still up.
    CloseControl();
    event->accept();
}

void MonekoWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // The window manager may end full screen by itself; the menu and Esc follow.
    if (event->type() != QEvent::WindowStateChange) return;
    const bool full = isFullScreen();
    m_leaveFullScreen->setEnabled(full);
    if (m_fullScreen->isChecked() != full) {
        const QSignalBlocker quiet(m_fullScreen);
        m_fullScreen->setChecked(full);
    }
    menuBar()->setVisible(!full);
}

void MonekoWindow::CloseControl() { m_site.reset(); }
