// PageView: the pages of a print (PageBuilder's layout) one under the other
// on a grey ground, at the zoom the user picks, for the preview window.
//
// Only the pages on screen are drawn, when they come into view, each into an
// image at the current zoom that is drawn at the printer's resolution, so
// the text falls exactly where the printer puts it; a few images are kept
// for repaints and scrolling back. Zoom 1 shows the paper at its physical
// size on this screen; "page width" and "whole page" follow the view's size.
// The current page is the one last gone to, or after the user scrolled, the
// one taking up most of the view. With "whole page" the wheel and
// PageUp/PageDown go a page at a time, otherwise they scroll; Home and End
// go to the first and the last page.
#pragma once

#include <QAbstractScrollArea>
#include <memory>

namespace zakaz {

class PageBuilder;

class PageView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  enum class Zoom { kFactor, kPageWidth, kWholePage };

  explicit PageView(QWidget* parent = nullptr);
  ~PageView() override;

  // Shows `pages` (nullptr: none) at the zoom in force; the current page
  // stays, or becomes the last one when there are fewer now.
  void SetPages(std::shared_ptr<const PageBuilder> pages);
  int PageCount() const;
  // 1-based; 0 without pages.
  int CurrentPage() const { return current_; }
  // Makes `page` (1-based) current and scrolls it into view: centred with
  // "whole page", else its top left corner to the view's. Ignored out of
  // range.
  void SetCurrentPage(int page);

  Zoom ZoomMode() const { return zoom_; }
  // The zoom in force, the fitted ones included.
  double ZoomFactor() const { return factor_; }
  void SetZoomFactor(double factor);
  void FitToWidth();
  void FitInView();

  // Where page `page` (1-based) lies in the viewport now; empty out of
  // range.
  QRect PageRect(int page) const;

 signals:
  // The current page or the number of pages changed.
  void PageChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  class PageImages;

  void SetZoom(Zoom zoom, double factor);
  // Fits the zoom to the view where asked and sets the scroll ranges.
  void Relayout();
  // Scrolls to the current page as SetCurrentPage does.
  void Place();
  // After the user scrolled: the page with most of its area in view, the
  // current one where it ties.
  void FollowScroll();
  int PageTop(int index) const;  // in the scrolled content, 0-based page
  // The first page (1-based) the view may show at its scroll position.
  int FirstPageInView() const;

  std::shared_ptr<const PageBuilder> pages_;
  std::unique_ptr<PageImages> images_;
  Zoom zoom_ = Zoom::kWholePage;
  double factor_ = 1;
  QSize page_;  // a page's size on screen at the zoom in force
  int current_ = 0;
  int wheel_ = 0;  // wheel turn not yet made a page
  bool placing_ = false;
  bool laying_out_ = false;
};

}  // namespace zakaz
