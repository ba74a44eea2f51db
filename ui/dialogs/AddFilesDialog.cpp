#include "ui/dialogs/AddFilesDialog.h"

#include "ui/dialogs/FolderField.h"
#include "ui/dialogs/PictureCell.h"
#include "ui/dialogs/PreviewLoader.h"
#include "ui/dialogs/SearchingFilesWindow.h"
#include "ui/dialogs/WorkProgress.h"

#include <QElapsedTimer>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr const char* optionsSection = "Options";
constexpr const char* picPathKey = "PicPath";
constexpr int columns = 4;
// A typed folder is listed once the user pauses, not at every key.
constexpr int typingPauseMilliseconds = 300;
// Previews kept beyond the page shown: the pages either side.
constexpr int keptPages = 1;

} // namespace

CAddFilesDialog::CAddFilesDialog(CPictureDatabase& db, ISettings& settings, bool ignoreDuplicates,
                                 QWidget* parent, FolderPicker picker)
    : QDialog(parent), m_db(db), m_settings(settings), m_ignoreDuplicates(ignoreDuplicates),
      m_picker(std::move(picker)) {
    setObjectName(QStringLiteral("addFilesDialog"));
    setWindowTitle(QStringLiteral("ファイルの読み込み"));

    m_loader = new CPreviewLoader(this);
    connect(m_loader, &CPreviewLoader::Loaded, this, &CAddFilesDialog::OnPreviewLoaded);

    auto* grid = new QGridLayout;
    for (int i = 0; i < CAddFileList::cellsPerPage; ++i) {
        auto* cell = new CPictureCell(this);
        cell->setObjectName(QStringLiteral("cell%1").arg(i));
        connect(cell, &CPictureCell::clicked, this, [this, i] { ToggleCell(i); });
        // A quick second click arrives as a double click; it toggles as well.
        connect(cell, &CPictureCell::doubleClicked, this, [this, i] { ToggleCell(i); });
        auto* size = new QLabel(this);
        size->setObjectName(QStringLiteral("size%1").arg(i));
        size->setAlignment(Qt::AlignCenter);
        auto* name = new QLabel(this);
        name->setObjectName(QStringLiteral("name%1").arg(i));
        name->setAlignment(Qt::AlignCenter);
        name->setFixedWidth(CPictureCell::cellSize + 24);
        auto* column = new QVBoxLayout;
        column->setSpacing(1);
        column->addWidget(cell, 0, Qt::AlignHCenter);
        column->addWidget(size);
        column->addWidget(name);
        grid->addLayout(column, i / columns, i % columns);
        m_cells[std::size_t(i)] = cell;
        m_sizeLabels[std::size_t(i)] = size;
        m_nameLabels[std::size_t(i)] = name;
    }

    m_folderField = new CFolderField(QStringLiteral("画像フォルダの選択"), this, m_picker);
    m_folder = m_folderField->Edit();

    m_prev = new QPushButton(QStringLiteral("&Prev"), this);
    m_prev->setObjectName(QStringLiteral("prev"));
    m_next = new QPushButton(QStringLiteral("&Next"), this);
    m_next->setObjectName(QStringLiteral("next"));
    auto* toggle = new QPushButton(QStringLiteral("Select/Deselect"), this);
    toggle->setObjectName(QStringLiteral("selectDeselect"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    for (QPushButton* button : {m_prev, m_next, toggle, cancel})
        button->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_prev);
    buttons->addWidget(m_next);
    buttons->addWidget(toggle);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_folderField);
    layout->addLayout(buttons);

    connect(m_prev, &QPushButton::clicked, this, [this] { TurnPage(false); });
    connect(m_next, &QPushButton::clicked, this, [this] { TurnPage(true); });
    connect(toggle, &QPushButton::clicked, this, &CAddFilesDialog::TogglePage);
    connect(m_folderField, &CFolderField::Picked, this, &CAddFilesDialog::ListFolder);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_typingTimer.setSingleShot(true);
    m_typingTimer.setInterval(typingPauseMilliseconds);
    connect(m_folder, &QLineEdit::textEdited, this, [this] { m_typingTimer.start(); });
    connect(&m_typingTimer, &QTimer::timeout, this, [this] { ListFolder(m_folder->text()); });

    ListFolder(QString::fromStdString(m_settings.GetProfileString(optionsSection, picPathKey, "")));
}

CAddFilesDialog::~CAddFilesDialog() = default;

void CAddFilesDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_pickedOnce)
        return;
    m_pickedOnce = true;
    // The picker opens over the browser once the browser is on screen.
    QTimer::singleShot(0, this, &CAddFilesDialog::PickFolder);
}

void CAddFilesDialog::PickFolder() {
    m_folderField->Pick();
}

void CAddFilesDialog::ListFolder(const QString& text) {
    m_typingTimer.stop();
    if (m_folder->text() != text)
        m_folder->setText(text);
    m_loader->Cancel();
    m_previews.clear();
    {
        CWaitCursor wait;
        CSearchingFilesWindow progress(this);
        progress.show();
        QElapsedTimer shown;
        shown.start();
        auto countText = [](int searched, int stored) {
            return stored == 0 ? QStringLiteral("%1 件").arg(searched)
                               : QStringLiteral("%1 件 (登録済み %2 件)").arg(searched).arg(stored);
        };
        m_searchText = countText(0, 0);
        m_list.List(text.toStdString(), &m_db, m_ignoreDuplicates, [&](int searched, int stored) {
            m_searchText = countText(searched, stored);
            // Redrawn a few times a second, not for every file.
            if (shown.elapsed() >= 40) {
                progress.ShowCount(m_searchText);
                shown.restart();
            }
        });
        progress.ShowCount(m_searchText);
    }
    m_settings.WriteProfileString(optionsSection, picPathKey, text.toStdString());
    FillPage();
}

void CAddFilesDialog::FillPage() {
    for (int i = 0; i < CAddFileList::cellsPerPage; ++i)
        ShowCell(i);
    m_prev->setEnabled(m_list.CanGoPrevious());
    m_next->setEnabled(m_list.CanGoNext());
    // Previews of pages far from this one are dropped.
    const int first = (m_list.Page() - keptPages) * CAddFileList::cellsPerPage;
    const int last = (m_list.Page() + keptPages + 1) * CAddFileList::cellsPerPage;
    for (auto it = m_previews.begin(); it != m_previews.end();)
        it = it->first < first || it->first >= last ? m_previews.erase(it) : std::next(it);
    RequestPreviews();
}

void CAddFilesDialog::ShowCell(int i) {
    CPictureCell* cell = m_cells[std::size_t(i)];
    const int index = m_list.FileAt(i);
    if (index < 0) {
        cell->SetFileName(QString());
        cell->SetImage(QImage());
        cell->SetSelected(false);
        cell->SetChosen(false);
        cell->SetPlaceholder(false);
        m_nameLabels[std::size_t(i)]->clear();
        m_nameLabels[std::size_t(i)]->setToolTip(QString());
        m_nameLabels[std::size_t(i)]->setAccessibleName(QString());
        m_sizeLabels[std::size_t(i)]->clear();
        return;
    }
    const CAddFileEntry& file = m_list.File(index);
    const QString name = QString::fromStdString(file.name);
    cell->SetFileName(name);
    // A long name is shortened in its middle, so its start and its extension both show.
    QLabel* label = m_nameLabels[std::size_t(i)];
    label->setText(label->fontMetrics().elidedText(name, Qt::ElideMiddle, label->width()));
    label->setToolTip(name);
    label->setAccessibleName(name);
    const auto preview = m_previews.find(index);
    const bool loaded = preview != m_previews.end();
    cell->SetImage(loaded ? preview->second.image : QImage());
    cell->SetPlaceholder(loaded && preview->second.image.isNull());
    m_sizeLabels[std::size_t(i)]->setText(loaded ? preview->second.sizeText : QString());
    cell->SetSelected(file.selected);
    cell->SetChosen(m_list.IsStored(index, m_db));
}

void CAddFilesDialog::RequestPreviews() {
    std::vector<std::pair<int, std::string>> wanted;
    const int page = m_list.Page() * CAddFileList::cellsPerPage;
    const int end = std::min(page + 2 * CAddFileList::cellsPerPage, m_list.FileCount());
    for (int index = page; index < end; ++index) {
        if (!m_previews.count(index))
            wanted.emplace_back(index, m_list.PathOf(index));
    }
    m_loader->Request(std::move(wanted));
}

void CAddFilesDialog::OnPreviewLoaded(int index, const QString& path, const QImage& image,
                                      const QString& sizeText) {
    // A result for a folder listed before is dropped.
    if (index >= m_list.FileCount() || m_list.PathOf(index) != path.toStdString())
        return;
    m_previews[index] = {image, sizeText};
    const int cell = index - m_list.Page() * CAddFileList::cellsPerPage;
    if (cell >= 0 && cell < CAddFileList::cellsPerPage)
        ShowCell(cell);
}

void CAddFilesDialog::ToggleCell(int cell) {
    if (m_list.ToggleCell(cell))
        m_cells[std::size_t(cell)]->SetSelected(m_list.File(m_list.FileAt(cell)).selected);
}

void CAddFilesDialog::TogglePage() {
    m_list.TogglePage();
    for (int i = 0; i < CAddFileList::cellsPerPage; ++i) {
        const int index = m_list.FileAt(i);
        m_cells[std::size_t(i)]->SetSelected(index >= 0 && m_list.File(index).selected);
    }
}

void CAddFilesDialog::TurnPage(bool forward) {
    if (forward ? m_list.GoNext() : m_list.GoPrevious())
        FillPage();
}
