// CAddFilesDialog: the add-files browser ("ファイルの読み込み"), in which the user picks the
// picture files of one folder that the Add command stores. The folder is typed into the
// folder field or chosen with the folder picker ("画像フォルダの選択"), which opens at once
// when the browser is first shown and again from the "..." button; the folder is kept in
// "PicPath" of section "Options" as soon as it has been listed. The files show as previews
// in pages of 12 picture cells, three rows of four, with their name and size below; files
// already stored carry the chosen sign. Clicking a cell selects or deselects its file,
// "Select/Deselect" toggles every file of the page, "&Prev" and "&Next" turn the page.
//
// Listing, paging and selection are CAddFileList's; previews are decoded off this thread by
// CPreviewLoader and appear as they arrive.
#pragma once

#include "collection/AddFileList.h"
#include "collection/Settings.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <vector>

class CFolderField;
class CPictureCell;
class CPictureDatabase;
class CPreviewLoader;
class QLabel;
class QLineEdit;
class QPushButton;

class CAddFilesDialog : public QDialog {
    Q_OBJECT

public:
    // Asks the user for a folder, starting at start; an empty text for Cancel.
    using FolderPicker = std::function<QString(QWidget* parent, const QString& start)>;

    // Lists "PicPath" at once. picker stands in for the folder picker (tests); empty for
    // the real one.
    CAddFilesDialog(CPictureDatabase& db, ISettings& settings, bool ignoreDuplicates,
                    QWidget* parent, FolderPicker picker = {});
    ~CAddFilesDialog() override;

    // Lists text (a folder ending in "/", or a pattern) now and shows its first page.
    void ListFolder(const QString& text);
    // The listed files in order, each chosen or not.
    std::vector<CAddFileChoice> Choices() const { return m_list.Choices(); }
    const CAddFileList& FileList() const { return m_list; }
    // What the "Searching files" window showed last: "%d 件" or "%d 件 (登録済み %d 件)".
    const QString& SearchText() const { return m_searchText; }
    CPictureCell* Cell(int i) const { return m_cells[std::size_t(i)]; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PickFolder();
    void FillPage();
    void ShowCell(int cell);
    void ToggleCell(int cell);
    void TogglePage();
    void TurnPage(bool forward);
    void OnPreviewLoaded(int index, const QString& path, const QImage& image,
                         const QString& sizeText);
    // Asks the loader for the page's previews not yet made, then the next page's.
    void RequestPreviews();

    struct Preview {
        QImage image;
        QString sizeText;
    };

    CPictureDatabase& m_db;
    ISettings& m_settings;
    bool m_ignoreDuplicates;
    FolderPicker m_picker;
    CAddFileList m_list;
    CPreviewLoader* m_loader = nullptr;
    std::map<int, Preview> m_previews;
    QString m_searchText;
    bool m_pickedOnce = false;

    std::array<CPictureCell*, CAddFileList::cellsPerPage> m_cells{};
    std::array<QLabel*, CAddFileList::cellsPerPage> m_nameLabels{};
    std::array<QLabel*, CAddFileList::cellsPerPage> m_sizeLabels{};
    CFolderField* m_folderField = nullptr;
    QLineEdit* m_folder = nullptr;
    QPushButton* m_prev = nullptr;
    QPushButton* m_next = nullptr;
    QTimer m_typingTimer;
};
