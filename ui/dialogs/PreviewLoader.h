// CPreviewLoader: decodes the previews of the add-files browser on worker threads (one per
// processor, at most four), so a folder of large photographs pages without freezing the
// window. Each request names files by their index in the browser's list; the workers take
// them in order, decode each through the image classes, shrink it to the cell's size and
// hand the result back on the thread the loader lives on (the user-interface thread)
// through Loaded. A new request replaces the files still waiting; files being decoded
// finish, are delivered, and are not decoded again for the new request. A result names its
// path too, so the browser can tell a result for a folder it has left.
//
// The workers touch no widget and no database; each reads only the files it is given and
// its own temporary copy for TIFF files, deleted when the loader is destroyed.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class CPreviewLoader : public QObject {
    Q_OBJECT

public:
    explicit CPreviewLoader(QObject* parent = nullptr);
    // Stops the worker after the file it is decoding; results not yet delivered are dropped.
    ~CPreviewLoader() override;

    // The files to decode, in this order: (index, path).
    void Request(std::vector<std::pair<int, std::string>> files);
    // Forgets the files still waiting.
    void Cancel();

    // Decodes path and shrinks it to the cell's size; false when it cannot be decoded.
    // sizeText is "width x height" of the picture.
    static bool MakePreview(const std::string& path, QImage& image, QString& sizeText);

signals:
    // The preview of the file at path, requested as index: image null and sizeText empty
    // when no preview could be made.
    void Loaded(int index, const QString& path, const QImage& image, const QString& sizeText);

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::pair<int, std::string>> m_waiting;
    // The files the workers are decoding now.
    std::vector<std::pair<int, std::string>> m_decoding;
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};
