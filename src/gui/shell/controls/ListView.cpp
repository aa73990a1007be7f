#include "gui/shell/controls/ListView.h"

#include "gui/shell/controls/Contrast.h"
#include "gui/shell/controls/FocusMark.h"
#include "gui/shell/controls/PixelFrame.h"
#include "gui/shell/controls/Twips.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>

#include <climits>

// The frame drawn again above the header, rows and scroll bars, on whole
// device pixels. At a scale factor other than 1 a child's area is rounded
// outwards to whole device pixels and covers the frame's lines, and the
// style's own lines straddle device pixels (PixelFrame).
class ListView::FrameOverlay : public QWidget {
public:
    explicit FrameOverlay(ListView *list) : QWidget(list), list_(list)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        if (PixelFrame::onWholePixels(p)) {
            list_->drawFrame(&p);
        } else {
            const PixelFrame frame = PixelFrame::asDrawnBy([this](QPainter &q) { list_->drawFrame(&q); }, size(),
                                                           list_->frameWidth());
            QList<QRect> parts;
            for (const QWidget *part : list_->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                if (part != this && part->isVisible())
                    parts << part->geometry();
            frame.paint(p, rect(), parts, list_->palette().color(QPalette::Base));
        }
        // Where the keys act shows on the frame: an empty list has no current
        // row to show it.
        if (list_->hasFocus())
            drawFocusMark(p, rect(), list_);
    }

private:
    ListView *list_;
};

ListView::ListView(QWidget *parent) : ListView(std::make_unique<ListModel>(), parent) {}

ListView::ListView(std::unique_ptr<ListModel> model, QWidget *parent)
    : QAbstractScrollArea(parent), model_(std::move(model)), header_(new QHeaderView(Qt::Horizontal, this)),
      frameOverlay_(new FrameOverlay(this)), clock_([] {
          static const QElapsedTimer started = [] {
              QElapsedTimer t;
              t.start();
              return t;
          }();
          return started.elapsed();
      }),
      announcer_(
          this, [this] { return current_; }, [this](int row) { return accessibleChildIndex(row, 0); },
          [this] { return clock_(); })
{
    header_->setModel(model_.get());
    header_->setSectionsClickable(false);
    header_->setSectionsMovable(false);
    header_->setStretchLastSection(false);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_->setSectionResizeMode(QHeaderView::Interactive);
    header_->setFont(font());
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    // The model announces rows once per batch, so each batch is one event here.
    connect(model_.get(), &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        updateGeometries();
        viewport()->update();
        announcer_.rowsInserted(first, last);
    });
    connect(model_.get(), &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { announcer_.aboutToReset(model_->rowCount()); });
    connect(model_.get(), &QAbstractItemModel::modelReset, this, [this] {
        current_ = -1;
        selection_.clear();
        typed_.clear();
        updateGeometries();
        viewport()->update();
        announcer_.reset();
    });
    connect(model_.get(), &QAbstractItemModel::dataChanged, viewport(), qOverload<>(&QWidget::update));
    connect(model_.get(), &QAbstractItemModel::columnsInserted, this, [this] {
        updateGeometries();
        announcer_.columnsInserted();
    });
    connect(model_.get(), &ListModel::columnWidthChanged, this, [this](int column, int twips) {
        header_->resizeSection(column - 1, TwipsToPixels(twips));
    });
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    updateGeometries();
}

int ListView::accessibleChildIndex(int row, int column) const
{
    // The header row comes first.
    const qint64 index = (qint64(row) + 1) * model_->columnCount() + column;
    return int(std::min<qint64>(index, INT_MAX));
}

int ListView::visibleRows() const
{
    return std::max(1, viewport()->height() / rowHeight_);
}

void ListView::updateGeometries()
{
    rowHeight_ = std::max(fontMetrics().height() + 2, 8);
    const int headerHeight = header_->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect vg = viewport()->geometry();
    header_->setGeometry(vg.left(), vg.top() - headerHeight, vg.width(), headerHeight);

    const int rows = model_->rowCount();
    const int page = visibleRows();
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setRange(0, std::max(0, rows - page));

    const int contentWidth = header_->length();
    horizontalScrollBar()->setPageStep(vg.width());
    horizontalScrollBar()->setSingleStep(8);
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - vg.width()));
    header_->setOffset(horizontalScrollBar()->value());
}

void ListView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    frameOverlay_->setGeometry(rect());
    frameOverlay_->raise();
    updateGeometries();
}

void ListView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    // The header writes in the list's font. Windows' theme has a font of its
    // own for headers, which a style sheet on the window would bring in.
    if (event->type() == QEvent::FontChange)
        header_->setFont(font());
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometries();
}

bool ListView::viewportEvent(QEvent *event)
{
    // Tooltips of the list show over its rows, not only over the frame.
    if (event->type() == QEvent::ToolTip)
        return QAbstractScrollArea::event(event);
    return QAbstractScrollArea::viewportEvent(event);
}

void ListView::scrollContentsBy(int dx, int)
{
    if (dx != 0)
        header_->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

// The focused list shows its current row in the active highlight; an
// unfocused one keeps the row visible in a quieter colour, so that of two lists
// the one the keys act on stands out. Many palettes give both colour groups the
// same highlight, and some an inactive one barely off the background (Windows:
// 240, 240, 240 on white): the quiet one is then the highlight washed into the
// background, half its colour gone. Either stands out 3:1 from the rows around
// it (where the highlight itself does not, as Wine's 48, 150, 250 on white, both
// are made darker: the quiet one still differs in colour), and its text is
// whichever of the two text colours reads better on it.
static std::pair<QColor, QColor> selectionColours(const QPalette &pal, bool focused)
{
    constexpr double kStandsOut = 3;
    const QColor base = pal.color(focused ? QPalette::Active : QPalette::Inactive, QPalette::Base);
    const QColor active = pal.color(QPalette::Active, QPalette::Highlight);
    QColor row = active;
    QPalette::ColorGroup group = QPalette::Active;
    if (!focused) {
        group = QPalette::Inactive;
        row = pal.color(QPalette::Inactive, QPalette::Highlight);
        if (row == active || contrastRatio(row, base) < kStandsOut) {
            const auto mix = [](float a, float b) { return 0.35f * a + 0.65f * b; };
            row = QColor::fromRgbF(mix(active.redF(), base.redF()), mix(active.greenF(), base.greenF()),
                                   mix(active.blueF(), base.blueF()))
                      .toHsl();
            row.setHslF(row.hslHueF(), row.hslSaturationF() / 2, row.lightnessF());
        }
    }
    row = legibleShade(row, {base}, kStandsOut);
    return {row, betterText(row, pal.color(group, QPalette::HighlightedText), pal.color(group, QPalette::Text))};
}

void ListView::paintEvent(QPaintEvent *event)
{
    QPainter p(viewport());
    const QPalette &pal = palette();
    const qint64 first = verticalScrollBar()->value();
    const int rows = model_->rowCount();
    const int xOffset = horizontalScrollBar()->value();
    const QRect clip = event->rect();
    const bool focused = hasFocus();
    const auto [highlight, highlightedText] = selectionColours(pal, focused);
    const qint64 firstPainted = first + clip.top() / rowHeight_;
    const qint64 lastPainted = std::min<qint64>(rows - 1, first + clip.bottom() / rowHeight_);
    for (qint64 row = firstPainted; row <= lastPainted; ++row) {
        const int y = int(row - first) * rowHeight_;
        const QRect line(0, y, viewport()->width(), rowHeight_);
        const bool selected = selection_.contains(row);
        if (selected)
            p.fillRect(line, highlight);
        p.setPen(selected ? highlightedText : pal.color(QPalette::Text));
        for (int column = 0; column < model_->columnCount(); ++column) {
            const int x = header_->sectionPosition(column) - xOffset;
            const int w = header_->sectionSize(column);
            if (x + w < clip.left() || x > clip.right())
                continue;
            const QRect cell(x + 3, y, std::max(0, w - 6), rowHeight_);
            // Long entries are cut at the column edge, as the header divider shows.
            p.save();
            p.setClipRect(cell);
            // A cell shows no more characters than it is pixels wide (zero-width
            // marks aside), so a row of millions paints as fast as a short one.
            p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                       model_->displayText(int(row), column, w + 1));
            p.restore();
        }
        if (row == current_ && focused) {
            // The style decides when a focus frame shows (after keyboard use, in most).
            QStyleOptionFocusRect frame;
            frame.initFrom(this);
            frame.rect = line;
            frame.backgroundColor = selected ? highlight : pal.color(QPalette::Base);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &p, this);
        }
    }
}

void ListView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    // Reached from the keyboard, the list shows at once where its keys will act:
    // the first row in sight becomes current when none is. A click picks its own.
    if (current_ < 0 && event->reason() != Qt::MouseFocusReason && model_->rowCount() > 0)
        setCurrent(verticalScrollBar()->value());
    announcer_.focusEntered(current_ >= 0);
    viewport()->update();
    frameOverlay_->update();
}

void ListView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
    frameOverlay_->update();
}
