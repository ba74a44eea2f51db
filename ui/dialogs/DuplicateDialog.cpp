#include "ui/dialogs/DuplicateDialog.h"

#include "imaging/PxImage.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

QImage RenderPicture(PxImage& picture) {
    if (!picture.HasImage())
        return {};
    const std::uint32_t width = picture.GetWidth();
    const std::uint32_t height = picture.GetHeight();
    if (width == 0 || height == 0 || width > (1u << 24) || height > (1u << 24))
        return {};
    CDC memory;
    memory.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    if (!bitmap.CreateCompatibleBitmap(memory, std::int32_t(width), std::int32_t(height)))
        return {};
    CBitmap* previous = memory.SelectObject(&bitmap);
    const CRect all(0, 0, std::int32_t(width), std::int32_t(height));
    const int lines = picture.StretchToDC(memory, all, all);
    memory.SelectObject(previous);
    if (lines == 0)
        return {};

    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (std::int32_t y = 0; y < bitmap.Height(); ++y) {
        const std::uint32_t* source = bitmap.Row(y);
        auto* target = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        // The device leaves the fourth byte of each pixel unused; Qt wants it opaque.
        for (std::int32_t x = 0; x < bitmap.Width(); ++x)
            target[x] = source[x] | 0xFF000000u;
    }
    return image;
}

CDuplicateDialog::CDuplicateDialog(PxImage& picture, QWidget* parent)
    : QDialog(parent), m_image(RenderPicture(picture)) {
    setObjectName(QStringLiteral("duplicateDialog"));
    setWindowTitle(QStringLiteral("Save?"));
    setSizeGripEnabled(true);

    // The question and the buttons fill a band of fixed height, so the picture's top-left
    // corner sits at the same place in the client area whatever the style.
    auto* band = new QWidget(this);
    band->setFixedHeight(pictureTop);
    auto* text = new QLabel(QString::fromUtf8(duplicateQuestion), band);
    text->setObjectName(QStringLiteral("question"));
    auto* save = new QPushButton(QStringLiteral("&Save"), band);
    save->setObjectName(QStringLiteral("save"));
    save->setDefault(true);
    auto* doNotSave = new QPushButton(QStringLiteral("&Do not save"), band);
    doNotSave->setObjectName(QStringLiteral("doNotSave"));
    auto* doNotSaveAny = new QPushButton(QStringLiteral("Do not save &ANY duplicated data"), band);
    doNotSaveAny->setObjectName(QStringLiteral("doNotSaveAny"));
    connect(save, &QPushButton::clicked, this, [this] { Finish(DuplicateChoice::save); });
    connect(doNotSave, &QPushButton::clicked, this, [this] { Finish(DuplicateChoice::doNotSave); });
    connect(doNotSaveAny, &QPushButton::clicked, this,
            [this] { Finish(DuplicateChoice::doNotSaveAny); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save);
    buttons->addWidget(doNotSave);
    buttons->addWidget(doNotSaveAny);
    buttons->addStretch();
    auto* bandLayout = new QVBoxLayout(band);
    bandLayout->addWidget(text);
    bandLayout->addLayout(buttons);

    auto* pictureLabel = new QLabel;
    pictureLabel->setObjectName(QStringLiteral("picture"));
    pictureLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (!m_image.isNull())
        pictureLabel->setPixmap(QPixmap::fromImage(m_image));
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("pictureArea"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setWidget(pictureLabel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(band);
    layout->addWidget(scroll, 1);

    // Large enough for the whole picture, but never beyond the screen's working area.
    QSize wanted(std::max(band->sizeHint().width(), m_image.width()),
                 pictureTop + m_image.height());
    if (const QScreen* shown = parent ? parent->screen() : QGuiApplication::primaryScreen())
        wanted = wanted.boundedTo(shown->availableGeometry().size() - QSize(16, 48));
    resize(wanted.expandedTo(QSize(200, pictureTop + 20)));
}

void CDuplicateDialog::Finish(DuplicateChoice choice) {
    m_choice = choice;
    if (choice == DuplicateChoice::save)
        accept();
    else
        reject();
}
