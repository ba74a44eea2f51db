#include "ui/ViewPrinter.h"

#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "ui/BitmapImage.h"
#include "ui/ViewFrame.h"

#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>

namespace {

// Pages are rendered in software at the printer's resolution: capped so an A4 page stays
// near 9 megapixels.
constexpr int maxPrintResolution = 300;

// The frame's printing flag for the length of a print or preview.
class CPrintingFlag {
public:
    explicit CPrintingFlag(IViewFrame& frame) : m_frame(frame) { m_frame.SetPrinting(true); }
    ~CPrintingFlag() { m_frame.SetPrinting(false); }
    CPrintingFlag(const CPrintingFlag&) = delete;
    CPrintingFlag& operator=(const CPrintingFlag&) = delete;

private:
    IViewFrame& m_frame;
};

} // namespace

CViewPrinter::CViewPrinter(IViewFrame& frame, QWidget& parent, PageDrawer drawPage)
    : m_frame(frame), m_parent(parent), m_drawPage(std::move(drawPage)) {}

CViewPrinter::~CViewPrinter() = default;

QImage CViewPrinter::RenderPage(const QPrinter& printer) const {
    // The resolution of the dialog's printer is not capped itself: the printer scales the
    // page up.
    const int resolution = std::min(printer.resolution(), maxPrintResolution);
    const QRect area = printer.pageLayout().paintRectPixels(resolution);
    if (area.width() < 1 || area.height() < 1)
        return {};
    CDC screen;
    screen.CreateScreenDC();
    CBitmap page;
    if (!page.CreateCompatibleBitmap(screen, area.width(), area.height()))
        return {};
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    CBitmap* old = memory.SelectObject(&page);
    memory.FillSolidRect(CRect(0, 0, area.width(), area.height()), RGB(255, 255, 255));
    m_drawPage(memory, CSize(area.width(), area.height()));
    memory.SelectObject(old);
    return BitmapToImage(page);
}

void CViewPrinter::PrintPage(QPrinter& printer) const {
    const QImage page = RenderPage(printer);
    if (page.isNull())
        return;
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    const QRect target = printer.pageLayout().paintRectPixels(printer.resolution());
    painter.drawImage(QRect(0, 0, target.width(), target.height()), page);
    painter.end();
}

void CViewPrinter::PrintCommand() {
    QPrinter& printer = Printer();
    CPrintingFlag printing(m_frame);
    QPrintDialog dialog(&printer, &m_parent);
    if (dialog.exec() == QDialog::Accepted)
        PrintPage(printer);
}

void CViewPrinter::PrintPreviewCommand() {
    QPrinter& printer = Printer();
    {
        CPrintingFlag printing(m_frame);
        QPrintPreviewDialog dialog(&printer, &m_parent);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [this](QPrinter* target) { PrintPage(*target); });
        dialog.exec();
    }
    m_frame.UpdateTitle();
}

void CViewPrinter::PrintSetupCommand() {
    QPageSetupDialog dialog(&Printer(), &m_parent);
    dialog.exec();
}

QPrinter& CViewPrinter::Printer() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}
