#include "gui/layout/LayoutFiles.h"

#include "core/platform.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

const QString kFilter = QStringLiteral("Vlakomat Files (*.vlk);;Vse datoteke (*)");
const QString kExtension = QStringLiteral(".vlk");

// The first local file among dropped things, or an empty string.
QString DroppedFile(const QMimeData* data) {
    if (data)
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                return url.toLocalFile();
    return QString();
}

} // namespace

QString FileDialogs::OpenFileName(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Odpri"), QString(), kFilter);
}

QString FileDialogs::SaveFileName(QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Shrani kot"), suggested, kFilter);
}

CLayoutFiles::CLayoutFiles(Prompts& prompts, RecentFileList& recent, QWidget* window)
    : QObject(window), prompts_(prompts), recent_(recent), window_(window) {
    doc_.SetUpdateHandler([this] { emit DocumentChanged(); });
    window_->setAcceptDrops(true);
    window_->installEventFilter(this);
}

CLayoutFiles::~CLayoutFiles() {
    doc_.SetUpdateHandler({});
}

QString CLayoutFiles::Title() const {
    return path_.isEmpty() ? QStringLiteral("Brez naslova") : QFileInfo(path_).fileName();
}

void CLayoutFiles::SetPathName(const QString& path) {
    path_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (!path_.isEmpty()) {
        AddRecentFile(recent_, path_.toStdString());
        emit RecentFilesChanged();
    }
    emit DocumentChanged();
}

bool CLayoutFiles::SaveModified() {
    if (!doc_.IsModified())
        return true;
    const std::string question = "Ali želite shraniti spremembe v " + Title().toStdString() + "?";
    switch (prompts_.Ask(question, PromptButtons::YesNoCancel, PromptIcon::Warning)) {
    case PromptAnswer::Yes:
        return OnFileSave();
    case PromptAnswer::No:
        return true;
    case PromptAnswer::Ok:
    case PromptAnswer::Cancel:
        return false;
    }
    return false;
}

bool CLayoutFiles::OnFileNew() {
    if (!SaveModified())
        return false;
    doc_.DeleteContents();
    SetPathName(QString());
    return true;
}

bool CLayoutFiles::OnFileOpen() {
    // The question about unsaved work comes once a file is chosen.
    const QString path = dialogs_->OpenFileName(window_);
    return !path.isEmpty() && OpenDocumentFile(path);
}

bool CLayoutFiles::OpenDocumentFile(const QString& path) {
    // A file that cannot be opened is said so before the question about unsaved work.
    const std::string name = QFileInfo(path).absoluteFilePath().toStdString();
    std::optional<VlkReadResult> read = CVlakomatDoc::ReadFile(name, prompts_);
    if (!read) {
        RemoveRecentFile(recent_, name);
        emit RecentFilesChanged();
        return false;
    }
    if (!SaveModified())
        return false;
    const int faults = doc_.Take(std::move(*read), prompts_, name);
    // What the reader corrected is offered for saving, as with the table files.
    doc_.SetModifiedFlag(faults > 0);
    SetPathName(path);
    return true;
}

bool CLayoutFiles::OnFileSave() {
    return path_.isEmpty() ? OnFileSaveAs() : DoSave(path_);
}

bool CLayoutFiles::OnFileSaveAs() {
    QString suggested = path_.isEmpty() ? Title() + kExtension : path_;
    QString path = dialogs_->SaveFileName(window_, suggested);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += kExtension;
    return DoSave(path);
}

bool CLayoutFiles::DoSave(const QString& path) {
    if (!doc_.SaveFile(QFileInfo(path).absoluteFilePath().toStdString(), prompts_))
        return false;
    SetPathName(path);
    return true;
}

bool CLayoutFiles::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (!DroppedFile(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        return true;
    }
    if (watched == window_ && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = DroppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->acceptProposedAction();
        window_->activateWindow();
        OpenDocumentFile(path);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
