// CViewPrinter: the picture view's Print, Print Preview and Print Setup commands, on one
// printer kept from the first of them for the life of the view. A page is the picture
// fitted to the printable area, drawn by the view's own drawing into a bitmap and scaled
// onto the page by the printer.
#pragma once

#include "platform/GdiTypes.h"

#include <QImage>

#include <functional>
#include <memory>

class CDC;
class IViewFrame;
class QPrinter;
class QWidget;

class CViewPrinter {
public:
    // Draws the view's picture into dc for a page of the given pixel size.
    using PageDrawer = std::function<void(CDC& dc, CSize page)>;

    // parent is the dialogs' parent; frame and parent outlive this object.
    CViewPrinter(IViewFrame& frame, QWidget& parent, PageDrawer drawPage);
    ~CViewPrinter();

    // The print dialog, then the page printed; the frame's printing flag is set meanwhile.
    void PrintCommand();
    // The preview window, the frame's printing flag set while it is open; then the title
    // is rewritten.
    void PrintPreviewCommand();
    void PrintSetupCommand();

    // The page as printed: the printable area of printer at its resolution, but at no more
    // than 300 dpi whatever printer was chosen (a 1200 dpi page would be 140 megapixels in
    // software), white, with the picture drawn. A null image when the area is empty or the
    // bitmap cannot be made.
    QImage RenderPage(const QPrinter& printer) const;
    // RenderPage scaled over the whole printable area of printer.
    void PrintPage(QPrinter& printer) const;

private:
    QPrinter& Printer();

    IViewFrame& m_frame;
    QWidget& m_parent;
    PageDrawer m_drawPage;
    std::unique_ptr<QPrinter> m_printer;
};
