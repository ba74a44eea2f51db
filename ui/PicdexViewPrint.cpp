// Printing the view: the page is the picture fitted to the printable area, drawn by the
// same OnDraw as the screen into a bitmap of the area's size.
#include "ui/PicdexView.h"

#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "ui/BitmapImage.h"

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

void CPicdexView::PrintPage(QPrinter& printer) {
    // The page is rendered at no more than maxPrintResolution, whatever printer the dialog
    // chose, and scaled onto the page by the printer: a 1200 dpi page would be 140 MP.
    const int resolution = std::min(printer.resolution(), maxPrintResolution);
    const QRect area = printer.pageLayout().paintRectPixels(resolution);
    if (area.width() < 1 || area.height() < 1)
        return;
    CDC screen;
    screen.CreateScreenDC();
    CBitmap page;
    if (!page.CreateCompatibleBitmap(screen, area.width(), area.height()))
        return;
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    CBitmap* old = memory.SelectObject(&page);
    memory.FillSolidRect(CRect(0, 0, area.width(), area.height()), RGB(255, 255, 255));
    PreparePrintDC(memory, CSize(area.width(), area.height()));
    OnDraw(memory);
    memory.SelectObject(old);

    QPainter painter;
    if (!painter.begin(&printer))
        return;
    const QRect target = printer.pageLayout().paintRectPixels(printer.resolution());
    painter.drawImage(QRect(0, 0, target.width(), target.height()), BitmapToImage(page));
    painter.end();
}

void CPicdexView::PrintCommand() {
    QPrinter& printer = Printer();
    CPrintingFlag printing(m_frame);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        PrintPage(printer);
}

void CPicdexView::PrintPreviewCommand() {
    QPrinter& printer = Printer();
    {
        CPrintingFlag printing(m_frame);
        QPrintPreviewDialog dialog(&printer, this);
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
                [this](QPrinter* target) { PrintPage(*target); });
        dialog.exec();
    }
    m_frame.UpdateTitle();
}

void CPicdexView::PrintSetupCommand() {
    QPageSetupDialog dialog(&Printer(), this);
    dialog.exec();
}
