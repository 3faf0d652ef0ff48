#pragma once
// The layout document as a desktop program's file: New, Open, Save, Save As, the recent
// files, files dropped on the window, and the question before unsaved work is dropped.

#include "core/layout/RecentFiles.h"
#include "core/layout/VlakomatDoc.h"

#include <QObject>
#include <QString>

class Prompts;
class QWidget;

// The file dialogs, replaceable so that tests can answer them.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen file, or an empty string when the operator cancelled.
    virtual QString OpenFileName(QWidget* parent);
    virtual QString SaveFileName(QWidget* parent, const QString& suggested);
};

class CLayoutFiles : public QObject {
    Q_OBJECT
public:
    // `recent` is the settings' list; `window` parents the dialogs and takes the drops.
    CLayoutFiles(Prompts& prompts, RecentFileList& recent, QWidget* window);
    ~CLayoutFiles() override;

    CVlakomatDoc& Doc() { return doc_; }
    void SetFileDialogs(FileDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &defaultDialogs_; }

    // The file's path, empty for a new layout; the name shown in the title.
    const QString& PathName() const { return path_; }
    QString Title() const;

    bool OnFileNew();
    bool OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    // Opens a file (after the question about unsaved work); false when it did not open.
    bool OpenDocumentFile(const QString& path);
    // Asks whether to save a modified layout; false when the operator cancelled (or the
    // save failed), so the layout must stay.
    bool SaveModified();

signals:
    // The document changed, was saved or replaced: title, views and the recent list.
    void DocumentChanged();
    void RecentFilesChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool DoSave(const QString& path);
    void SetPathName(const QString& path);

    Prompts& prompts_;
    RecentFileList& recent_;
    QWidget* window_;
    CVlakomatDoc doc_;
    QString path_;
    FileDialogs defaultDialogs_;
    FileDialogs* dialogs_ = &defaultDialogs_;
};
