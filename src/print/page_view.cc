#include "print/page_view.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <vector>

#include "print/page_builder.h"

namespace zakaz {
namespace {

// Space around and between the pages, in screen pixels.
constexpr int kGap = 10;
constexpr int kScrollStep = 20;
constexpr double kSmallestFactor = 0.01;
// A wheel's notch.
constexpr int kWheelStep = 120;
// Images kept besides the ones on screen, at most.
constexpr size_t kSpareImages = 2;
constexpr qsizetype kLeastKeptBytes = 4 << 20;

// Draws the part `piece` of page `index` shown at `size` (in the view's
// pixels) into an image of the screen's pixels.
QImage DrawPiece(const PageBuilder& pages, int index, QSize size, qreal ratio, const QRect& piece) {
  QImage image((QSizeF(piece.size()) * ratio).toSize(), QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  // At the printer's resolution fonts given in points take the printer's
  // sizes, so the text is shaped and broken as on paper and only then scaled
  // down to the screen with the rest of the page.
  image.setDotsPerMeterX(qRound(pages.DpiX() / 0.0254));
  image.setDotsPerMeterY(qRound(pages.DpiY() / 0.0254));
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.translate(-piece.topLeft());
  const QSizeF paper = pages.PaperSize();
  painter.scale(size.width() / paper.width(), size.height() / paper.height());
  painter.translate(pages.PaintOrigin());
  pages.PaintPage(painter, index);
  painter.end();
  return image;
}

}  // namespace

// The drawn pieces of pages, the ones on screen and a few more, within a
// budget of memory: scrolling back or repainting does not draw again.
class PageView::PageImages {
 public:
  struct Piece {
    int index = 0;
    QSize size;
    qreal ratio = 1;
    QRect covered;  // in the page's pixels
    QImage image;
    quint64 used = 0;
  };

  // A piece of page `index` at `size` that covers `needed`; drawn as
  // `wanted` (which holds `needed`) unless a kept piece covers it.
  const Piece& Get(const PageBuilder& pages, int index, QSize size, qreal ratio,
                   const QRect& needed, const QRect& wanted) {
    ++clock_;
    for (Piece& piece : pieces_) {
      if (piece.index == index && piece.size == size && piece.ratio == ratio &&
          piece.covered.contains(needed)) {
        piece.used = clock_;
        return piece;
      }
    }
    pieces_.push_back(
        {index, size, ratio, wanted, DrawPiece(pages, index, size, ratio, wanted), clock_});
    return pieces_.back();
  }

  // Drops the least recently used pieces beyond a few and beyond `budget`
  // bytes, keeping those shown since the last call.
  void Trim(qsizetype budget) {
    std::sort(pieces_.begin(), pieces_.end(),
              [](const Piece& a, const Piece& b) { return a.used > b.used; });
    qsizetype bytes = 0;
    size_t spare = 0;
    size_t keep = 0;
    for (; keep < pieces_.size(); ++keep) {
      const Piece& piece = pieces_[keep];
      bytes += piece.image.sizeInBytes();
      if (piece.used > shown_since_) continue;
      if (bytes > budget || ++spare > kSpareImages) break;
    }
    pieces_.resize(keep);
    shown_since_ = clock_;
  }

  void Clear() { pieces_.clear(); }

 private:
  std::vector<Piece> pieces_;
  quint64 clock_ = 0;
  quint64 shown_since_ = 0;
};

PageView::PageView(QWidget* parent)
    : QAbstractScrollArea(parent), images_(std::make_unique<PageImages>()) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Dark);
  viewport()->setAutoFillBackground(false);
  horizontalScrollBar()->setSingleStep(kScrollStep);
  verticalScrollBar()->setSingleStep(kScrollStep);
}

PageView::~PageView() = default;

int PageView::PageCount() const { return pages_ ? pages_->PageCount() : 0; }

void PageView::SetPages(std::shared_ptr<const PageBuilder> pages) {
  pages_ = std::move(pages);
  images_->Clear();
  const int count = PageCount();
  current_ = count == 0 ? 0 : std::clamp(current_, 1, count);
  Relayout();
  Place();
  viewport()->update();
  emit PageChanged();
}

void PageView::SetCurrentPage(int page) {
  if (page < 1 || page > PageCount()) return;
  const bool changed = page != current_;
  current_ = page;
  Place();
  if (changed) emit PageChanged();
}

void PageView::SetZoomFactor(double factor) {
  if (factor > 0) SetZoom(Zoom::kFactor, factor);
}

void PageView::FitToWidth() { SetZoom(Zoom::kPageWidth, factor_); }

void PageView::FitInView() { SetZoom(Zoom::kWholePage, factor_); }

void PageView::SetZoom(Zoom zoom, double factor) {
  zoom_ = zoom;
  factor_ = factor;
  Relayout();
  Place();
  viewport()->update();
}

int PageView::PageTop(int index) const { return kGap + index * (page_.height() + kGap); }

int PageView::FirstPageInView() const {
  if (PageCount() == 0) return 0;
  const int index = (verticalScrollBar()->value() - kGap) / (page_.height() + kGap);
  return std::clamp(index + 1, 1, PageCount());
}

QRect PageView::PageRect(int page) const {
  if (page < 1 || page > PageCount()) return {};
  const QSize port = viewport()->size();
  const int width = page_.width() + 2 * kGap;
  const int height = PageTop(PageCount());
  const int left = width <= port.width() ? (port.width() - page_.width()) / 2
                                         : kGap - horizontalScrollBar()->value();
  const int top =
      height <= port.height() ? (port.height() - height) / 2 : -verticalScrollBar()->value();
  return QRect(QPoint(left, top + PageTop(page - 1)), page_);
}

void PageView::Relayout() {
  if (laying_out_) return;
  laying_out_ = true;
  const int count = PageCount();
  // A fitted zoom depends on the view's width, and the width on whether the
  // scroll bar is shown: where the pages may come out just as tall as the
  // view the bar stays, else it would come and go with every fit.
  const bool bar = zoom_ == Zoom::kPageWidth || (zoom_ == Zoom::kWholePage && count > 1);
  setVerticalScrollBarPolicy(bar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(zoom_ == Zoom::kFactor ? Qt::ScrollBarAsNeeded
                                                      : Qt::ScrollBarAlwaysOff);
  const QSize before = page_;
  for (int pass = 0; pass < 3; ++pass) {
    const QSize port = viewport()->size();
    page_ = QSize();
    if (count > 0) {
      // The paper at its size on this screen.
      const QSizeF paper = pages_->PaperSize();
      const QSizeF base(paper.width() / pages_->DpiX() * logicalDpiY(),
                        paper.height() / pages_->DpiY() * logicalDpiY());
      const double across = (port.width() - 2 * kGap) / base.width();
      const double down = (port.height() - 2 * kGap) / base.height();
      if (zoom_ == Zoom::kPageWidth) factor_ = across;
      if (zoom_ == Zoom::kWholePage) factor_ = std::min(across, down);
      factor_ = std::max(factor_, kSmallestFactor);
      page_ = QSize(std::max(1, static_cast<int>(std::lround(base.width() * factor_))),
                    std::max(1, static_cast<int>(std::lround(base.height() * factor_))));
    }
    const int width = count > 0 ? page_.width() + 2 * kGap : 0;
    const int height = count > 0 ? PageTop(count) : 0;
    horizontalScrollBar()->setRange(0, std::max(0, width - port.width()));
    horizontalScrollBar()->setPageStep(port.width());
    verticalScrollBar()->setRange(0, std::max(0, height - port.height()));
    verticalScrollBar()->setPageStep(port.height());
    if (viewport()->size() == port) break;
  }
  if (page_ != before) images_->Clear();
  laying_out_ = false;
}

void PageView::Place() {
  if (current_ < 1) return;
  const QSize port = viewport()->size();
  const int top = PageTop(current_ - 1);
  placing_ = true;
  if (zoom_ == Zoom::kWholePage) {
    verticalScrollBar()->setValue(top + page_.height() / 2 - port.height() / 2);
    horizontalScrollBar()->setValue(kGap + page_.width() / 2 - port.width() / 2);
  } else {
    verticalScrollBar()->setValue(top - kGap);
    horizontalScrollBar()->setValue(0);
  }
  placing_ = false;
  viewport()->update();
}

void PageView::FollowScroll() {
  const QRect port = viewport()->rect();
  int best = current_;
  qint64 best_area = -1;
  for (int page = FirstPageInView(); page >= 1 && page <= PageCount(); ++page) {
    const QRect rect = PageRect(page);
    if (rect.top() > port.bottom()) break;
    const QRect seen = rect & port;
    if (seen.isEmpty()) continue;
    const qint64 area = qint64(seen.width()) * seen.height();
    if (area > best_area || (area == best_area && page == current_)) {
      best = page;
      best_area = area;
    }
  }
  if (best_area < 0 || best == current_) return;
  current_ = best;
  emit PageChanged();
}

void PageView::scrollContentsBy(int, int) {
  viewport()->update();
  if (!placing_) FollowScroll();
}

void PageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (laying_out_) return;
  Relayout();
  Place();
}

void PageView::keyPressEvent(QKeyEvent* event) {
  const bool by_page = zoom_ == Zoom::kWholePage;
  switch (event->key()) {
    case Qt::Key_PageUp:
      if (!by_page) break;
      SetCurrentPage(current_ - 1);
      return;
    case Qt::Key_PageDown:
      if (!by_page) break;
      SetCurrentPage(current_ + 1);
      return;
    case Qt::Key_Home:
      SetCurrentPage(1);
      return;
    case Qt::Key_End:
      SetCurrentPage(PageCount());
      return;
    default:
      break;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void PageView::wheelEvent(QWheelEvent* event) {
  if (zoom_ != Zoom::kWholePage || event->modifiers() != Qt::NoModifier) {
    QAbstractScrollArea::wheelEvent(event);
    return;
  }
  // A notch is a page; a touchpad's small steps add up to one.
  wheel_ += event->angleDelta().y();
  while (wheel_ >= kWheelStep) {
    wheel_ -= kWheelStep;
    SetCurrentPage(current_ - 1);
  }
  while (wheel_ <= -kWheelStep) {
    wheel_ += kWheelStep;
    SetCurrentPage(current_ + 1);
  }
  event->accept();
}

void PageView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.fillRect(event->rect(), palette().color(QPalette::Dark));
  if (!pages_) return;
  const QRect port = viewport()->rect();
  const qreal ratio = viewport()->devicePixelRatioF();
  const qint64 port_pixels = qint64(port.width()) * port.height();
  const bool whole = qint64(page_.width()) * page_.height() <= 2 * port_pixels;
  for (int page = FirstPageInView(); page >= 1 && page <= PageCount(); ++page) {
    const QRect rect = PageRect(page);
    if (rect.top() > port.bottom()) break;
    if (!rect.intersects(event->rect())) continue;
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(rect.adjusted(-1, -1, 0, 0));
    // Pages larger than the view are drawn in pieces a little larger than
    // what is seen, so the memory stays that of a few views.
    const QRect sheet(QPoint(0, 0), page_);
    const QRect needed = (rect & port).translated(-rect.topLeft());
    if (needed.isEmpty()) continue;
    const QRect wanted = whole ? sheet
                               : needed.adjusted(-port.width() / 2, -port.height() / 2,
                                                 port.width() / 2, port.height() / 2) &
                                     sheet;
    const PageImages::Piece& piece = images_->Get(*pages_, page - 1, page_, ratio, needed, wanted);
    painter.drawImage(rect.topLeft() + piece.covered.topLeft(), piece.image);
  }
  // Besides what is on screen, twice the view's worth of images.
  const auto port_bytes = static_cast<qsizetype>(port_pixels * ratio * ratio) * 4;
  images_->Trim(std::max<qsizetype>(2 * port_bytes, kLeastKeptBytes));
}

}  // namespace zakaz
