#include "desktop/main_form.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include "desktop/grey_ramp_area.h"
#include "desktop/cont_form.h"

namespace vembrel {
namespace {

// A drop opens a plate when it carries exactly one local file.
QString DroppedPicture(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

TMainForm::TMainForm(UserDialogs dialogs, QWidget* parent)
    : QMainWindow(parent), workspace_(state_), dialogs_(std::move(dialogs)) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Vembrel"));
  setAcceptDrops(true);

  mdiArea_ = new GreyRampArea(this);
  mdiArea_->setObjectName(QStringLiteral("MdiArea"));
  mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdiArea_);
  connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TMainForm::onSubWindowActivated);
  buildMenu();

  contForm_ = new TContForm(workspace_, dialogs_, this);
  connect(contForm_, &TContForm::workspaceChanged, this, &TMainForm::refreshAllWindows);

  workspace_.onWindowCreated = [this](WellWindow& window) { addChildFor(window); };
  workspace_.onWindowClosing = [this](WellWindow& window) { removeChildFor(window); };
  workspace_.onWindowActivated = [this](WellWindow& window) { activateChildFor(window); };
  workspace_.onPlateChanged = [this] { contForm_->showPlate(); };
  workspace_.onLargeWellLabelChanged = [this](const std::string& name) {
    contForm_->largeWellLabel().setText(QString::fromStdString(name));
  };
  state_.onCentralValuesShown = [this] { contForm_->showCentralValues(); };
}

TMainForm::~TMainForm() {
  // Qt deletes the widgets after this body, when the members are gone.
  disconnect(mdiArea_, nullptr, this, nullptr);
  // The models outlive nothing of the face: stop the widgets reading them.
  for (auto& [window, subWindow] : subWindows_) {
    if (auto* widget = qobject_cast<TMDIChild*>(subWindow->widget())) widget->detach();
  }
  workspace_.onWindowCreated = nullptr;
  workspace_.onWindowClosing = nullptr;
  workspace_.onWindowActivated = nullptr;
  workspace_.onPlateChanged = nullptr;
  workspace_.onLargeWellLabelChanged = nullptr;
  state_.onCentralValuesShown = nullptr;
}

void TMainForm::buildMenu() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
  file->setObjectName(QStringLiteral("File1"));
  QAction* open = file->addAction(QStringLiteral("Open Pictures"));
  open->setObjectName(QStringLiteral("FileOpen1"));
  open->setShortcut(QKeySequence::Open);
  connect(open, &QAction::triggered, this, &TMainForm::FileOpen1Execute);
  QAction* settings = file->addAction(QStringLiteral("Open Settings"));
  settings->setObjectName(QStringLiteral("OpenSettings1"));
  connect(settings, &QAction::triggered, this, &TMainForm::OpenSettings1Click);
}

// ---- menu and drops ---------------------------------------------------------

void TMainForm::FileOpen1Execute() {
  const QString picture = dialogs_.choosePicture(this);
  if (!picture.isEmpty()) openPictures(picture);
}

void TMainForm::OpenSettings1Click() {
  const QString path = dialogs_.chooseSettingsToOpen(this);
  if (!path.isEmpty()) openSettings(path);
}

void TMainForm::openPictures(const QString& picture) {
  try {
    workspace_.FileOpen(picture.toStdString());
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  contForm_->showPlate();
  refreshAllWindows();
}

void TMainForm::openSettings(const QString& path) {
  try {
    workspace_.OpenSettings(path.toStdString());
  } catch (const std::exception& e) {
    reportError(QString::fromStdString(e.what()));
  }
  refreshAllWindows();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPicture(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QString picture = DroppedPicture(event->mimeData());
  if (picture.isEmpty()) return;
  event->acceptProposedAction();
  openPictures(picture);
}

// ---- host services ----------------------------------------------------------

void TMainForm::reportError(const QString& message) {
  dialogs_.showError(this, message);
}

QString TMainForm::chooseSettingsToSave(const QString& startFolder) {
  return dialogs_.chooseSettingsToSave(this, startFolder);
}

void TMainForm::cellLevelChanged(bool on) {
  contForm_->setWindowHeight(on ? 851 : 694);
}

void TMainForm::refreshAllWindows() {
  for (auto& [window, subWindow] : subWindows_) {
    if (auto* widget = qobject_cast<TMDIChild*>(subWindow->widget())) widget->refreshFromModel();
  }
}

// ---- well windows -------------------------------------------------------------

void TMainForm::addChildFor(WellWindow& window) {
  auto* widget = new TMDIChild(window, *this);
  auto* subWindow = new QMdiSubWindow;
  subWindow->setWidget(widget);
  subWindow->setAttribute(Qt::WA_DeleteOnClose, false);
  subWindow->setWindowTitle(QString::fromStdString(window.caption()));
  subWindow->installEventFilter(this);
  subWindows_[&window] = subWindow;
  const bool wasSyncing = syncingActivation_;
  syncingActivation_ = true;
  mdiArea_->addSubWindow(subWindow);
  subWindow->resize(widget->size() + QSize(8, 30));
  subWindow->show();
  syncingActivation_ = wasSyncing;
}

void TMainForm::removeChildFor(WellWindow& window) {
  const auto found = subWindows_.find(&window);
  if (found == subWindows_.end()) return;
  QMdiSubWindow* subWindow = found->second;
  subWindows_.erase(found);
  if (auto* widget = qobject_cast<TMDIChild*>(subWindow->widget())) widget->detach();
  subWindow->removeEventFilter(this);
  const bool wasSyncing = syncingActivation_;
  syncingActivation_ = true;
  mdiArea_->removeSubWindow(subWindow);
  syncingActivation_ = wasSyncing;
  subWindow->hide();
  subWindow->deleteLater();
}

void TMainForm::activateChildFor(WellWindow& window) {
  const auto found = subWindows_.find(&window);
  if (found == subWindows_.end() || syncingActivation_) return;
  syncingActivation_ = true;
  mdiArea_->setActiveSubWindow(found->second);
  syncingActivation_ = false;
}

void TMainForm::onSubWindowActivated(QMdiSubWindow* subWindow) {
  if (syncingActivation_) return;
  WellWindow* window = modelOf(subWindow);
  if (window == nullptr) return;
  syncingActivation_ = true;
  workspace_.bringToFront(*window);
  syncingActivation_ = false;
}

WellWindow* TMainForm::modelOf(QMdiSubWindow* subWindow) const {
  for (const auto& [window, candidate] : subWindows_) {
    if (candidate == subWindow) return window;
  }
  return nullptr;
}

TMDIChild* TMainForm::child(const QString& caption) const {
  QMdiSubWindow* found = subWindow(caption);
  return found != nullptr ? qobject_cast<TMDIChild*>(found->widget()) : nullptr;
}

QMdiSubWindow* TMainForm::subWindow(const QString& caption) const {
  for (const auto& [window, subWindow] : subWindows_) {
    if (QString::fromStdString(window->caption()) == caption) return subWindow;
  }
  return nullptr;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  // The user closes a well window: the model closes it, which removes the widget.
  if (event->type() == QEvent::Close) {
    if (WellWindow* window = modelOf(qobject_cast<QMdiSubWindow*>(watched))) {
      event->ignore();
      try {
        workspace_.closeWindow(*window);
      } catch (const std::exception& e) {
        reportError(QString::fromStdString(e.what()));
      }
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  contForm_->show();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  for (auto& [window, subWindow] : subWindows_) {
    if (auto* widget = qobject_cast<TMDIChild*>(subWindow->widget())) widget->detach();
  }
  contForm_->allowClose();
  contForm_->close();
  QMainWindow::closeEvent(event);
}

}  // namespace vembrel
