#include "ui/dialogs/PreviewLoader.h"

#include "imaging/PreviewCell.h"
#include "imaging/Thumbnail.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "ui/BitmapImage.h"
#include "ui/dialogs/PictureCell.h"

#include <QMetaObject>

namespace {
constexpr unsigned maxWorkers = 4;
}

CPreviewLoader::CPreviewLoader(QObject* parent) : QObject(parent) {
    const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, maxWorkers);
    for (unsigned i = 0; i < count; ++i)
        m_workers.emplace_back([this] { Run(); });
}

CPreviewLoader::~CPreviewLoader() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_waiting.clear();
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
    // Results posted but not delivered go with this object (Qt drops its posted events).
}

void CPreviewLoader::Request(std::vector<std::pair<int, std::string>> files) {
    {
        std::lock_guard lock(m_mutex);
        m_waiting.clear();
        for (auto& file : files) {
            if (std::find(m_decoding.begin(), m_decoding.end(), file) == m_decoding.end())
                m_waiting.push_back(std::move(file));
        }
    }
    m_wake.notify_all();
}

void CPreviewLoader::Cancel() {
    std::lock_guard lock(m_mutex);
    m_waiting.clear();
}

bool CPreviewLoader::MakePreview(const std::string& path, QImage& image, QString& sizeText) {
    image = QImage();
    sizeText.clear();
    CPreviewCell cell;
    if (!cell.Load(path) || !cell.GetImage())
        return false;
    PxImage& picture = *cell.GetImage();
    const int width = static_cast<int>(std::min<std::uint32_t>(picture.GetWidth(), 1 << 30));
    const int height = static_cast<int>(std::min<std::uint32_t>(picture.GetHeight(), 1 << 30));
    sizeText = QString::fromStdString(cell.GetSizeText());
    const QSize fit = CPictureCell::FitSize(width, height);
    if (fit.isEmpty())
        return true;
    // Drawn through the program's own device, averaging the pixels of a large picture.
    CDC screen;
    screen.CreateScreenDC();
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    CBitmap bitmap;
    if (!bitmap.CreateCompatibleBitmap(screen, fit.width(), fit.height()))
        return true;
    CBitmap* oldBitmap = memory.SelectObject(&bitmap);
    const int oldMode = memory.SetStretchBltMode(HALFTONE);
    picture.StretchToDC(memory, CRect(0, 0, fit.width(), fit.height()), CRect(0, 0, width, height));
    memory.SetStretchBltMode(oldMode);
    memory.SelectObject(oldBitmap);
    image = BitmapToImage(bitmap);
    return true;
}

void CPreviewLoader::Run() {
    std::pair<int, std::string> job;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            // Delivered (posted) before it stops counting as being decoded, so a request in
            // between never asks for it again.
            if (!job.second.empty())
                m_decoding.erase(std::find(m_decoding.begin(), m_decoding.end(), job));
            m_wake.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
            if (m_stop)
                break;
            job = std::move(m_waiting.front());
            m_waiting.pop_front();
            m_decoding.push_back(job);
        }
        QImage image;
        QString sizeText;
        MakePreview(job.second, image, sizeText);
        const int index = job.first;
        const QString path = QString::fromStdString(job.second);
        QMetaObject::invokeMethod(
            this,
            [this, index, path, image, sizeText] { emit Loaded(index, path, image, sizeText); },
            Qt::QueuedConnection);
    }
}
