#include "monitor/live_widgets.h"

#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <QWheelEvent>
#include <algorithm>

namespace monitor {

namespace {
const QColor kFixedColour(212, 208, 200);

// One frozen part of a grid: a view of the grid's own model and selection laid
// over the grid's viewport, showing its heading rows, its heading columns or the
// corner where they meet. It scrolls only with the grid, along its free direction;
// presses, clicks and the wheel on it are the grid's.
class FrozenPart final : public QTableView {
public:
    explicit FrozenPart(QTableWidget* grid) : QTableView(grid), grid_(grid) {
        setModel(grid->model());
        setSelectionModel(grid->selectionModel());
        horizontalHeader()->hide();
        verticalHeader()->hide();
        for (QHeaderView* h : {horizontalHeader(), verticalHeader()}) h->setMinimumSectionSize(1);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setSelectionMode(grid->selectionMode());
        setAutoScroll(false);
        setWordWrap(grid->wordWrap());
        setShowGrid(grid->showGrid());
        setGridStyle(grid->gridStyle());
        setHorizontalScrollMode(grid->horizontalScrollMode());
        setVerticalScrollMode(grid->verticalScrollMode());
        connect(this, &QAbstractItemView::pressed, grid, &QAbstractItemView::pressed);
        connect(this, &QAbstractItemView::clicked, grid, &QAbstractItemView::clicked);
        connect(this, &QAbstractItemView::doubleClicked, grid, &QAbstractItemView::doubleClicked);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        // A click on a heading focuses the grid as a click on any of its cells does.
        if (grid_->focusPolicy() & Qt::ClickFocus) grid_->setFocus(Qt::MouseFocusReason);
        QTableView::mousePressEvent(e);
    }
    // The grid (this part's parent) scrolls.
    void wheelEvent(QWheelEvent* e) override { e->ignore(); }

private:
    QTableWidget* grid_;
};

// A grid whose first rows and columns stay in view while the rest scrolls under
// them. The cells keep their places in the model: row 0 is the heading row, as
// in a grid without frozen parts.
class HeadingGrid final : public QTableWidget {
public:
    HeadingGrid(int rows, int cols, QWidget* parent) : QTableWidget(rows, cols, parent) {}

    void freeze(int fixedRows, int fixedCols) {
        fixedRows_ = std::max(fixedRows, 0);
        fixedCols_ = std::max(fixedCols, 0);
        if (fixedRows_ > 0) top_ = new FrozenPart(this);
        if (fixedCols_ > 0) left_ = new FrozenPart(this);
        if (top_ && left_) corner_ = new FrozenPart(this);
        connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int c) {
            copySection(Qt::Horizontal, c);
            placeParts();
        });
        connect(verticalHeader(), &QHeaderView::sectionResized, this, [this](int r) {
            copySection(Qt::Vertical, r);
            placeParts();
        });
        for (QHeaderView* h : {horizontalHeader(), verticalHeader()})
            connect(h, &QHeaderView::sectionCountChanged, this, [this] { sizesCopied_ = false; });
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { followScroll(); });
        connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { followScroll(); });
        for (FrozenPart* part : parts()) {
            connect(part->horizontalScrollBar(), &QScrollBar::rangeChanged, this, [this] { followScroll(); });
            connect(part->verticalScrollBar(), &QScrollBar::rangeChanged, this, [this] { followScroll(); });
        }
        copySizes();
        placeParts();
    }

protected:
    void updateGeometries() override {
        QTableWidget::updateGeometries();
        if (!sizesCopied_) copySizes();
        placeParts();
    }
    void resizeEvent(QResizeEvent* e) override {
        QTableWidget::resizeEvent(e);
        placeParts();
    }
    void paintEvent(QPaintEvent* e) override {
        copySpans();
        QTableWidget::paintEvent(e);
    }
    // A cell scrolled to is shown beside the frozen parts, not under them; a
    // heading cell scrolls nothing along its frozen direction.
    void scrollTo(const QModelIndex& index, ScrollHint hint) override {
        if (!index.isValid()) return;
        const int v = verticalScrollBar()->value(), h = horizontalScrollBar()->value();
        QTableWidget::scrollTo(index, hint);
        if (index.row() < fixedRows_) verticalScrollBar()->setValue(v);
        else uncover(verticalScrollBar(), verticalScrollMode(), frozenHeight(),
                     [&] { return rowViewportPosition(index.row()); });
        if (index.column() < fixedCols_) horizontalScrollBar()->setValue(h);
        else uncover(horizontalScrollBar(), horizontalScrollMode(), frozenWidth(),
                     [&] { return columnViewportPosition(index.column()); });
    }

private:
    std::vector<FrozenPart*> parts() const {
        std::vector<FrozenPart*> out;
        for (FrozenPart* p : {top_, left_, corner_})
            if (p) out.push_back(p);
        return out;
    }
    // Parts that show every row (the heading columns) or every column (the heading rows).
    bool allRows(const FrozenPart* p) const { return p == left_; }
    bool allColumns(const FrozenPart* p) const { return p == top_; }

    // A column's (horizontal) or row's (vertical) size and hiding, to the parts that show it.
    void copySection(Qt::Orientation o, int i) {
        const bool column = o == Qt::Horizontal;
        QHeaderView* mine = column ? horizontalHeader() : verticalHeader();
        for (FrozenPart* p : parts()) {
            if (column ? (!allColumns(p) && i >= fixedCols_) : (!allRows(p) && i >= fixedRows_)) continue;
            QHeaderView* theirs = column ? p->horizontalHeader() : p->verticalHeader();
            theirs->setSectionHidden(i, mine->isSectionHidden(i));
            if (!mine->isSectionHidden(i)) theirs->resizeSection(i, mine->sectionSize(i));
        }
    }
    void copySizes() {
        for (FrozenPart* p : parts()) {
            if (p->horizontalHeader()->count() != columnCount() || p->verticalHeader()->count() != rowCount()) return;
        }
        sizesCopied_ = true;
        for (int c = 0; c < columnCount(); ++c) copySection(Qt::Horizontal, c);
        for (int r = 0; r < rowCount(); ++r) copySection(Qt::Vertical, r);
    }
    // Merged cells of the frozen parts, as the grid merges them.
    void copySpans() {
        for (FrozenPart* p : parts()) {
            const int rows = allRows(p) ? rowCount() : std::min(fixedRows_, rowCount());
            const int cols = allColumns(p) ? columnCount() : std::min(fixedCols_, columnCount());
            const int firstRow = allRows(p) ? std::max(rowAt(0), 0) : 0;
            const int lastRow = allRows(p) && rowAt(viewport()->height()) >= 0 ? rowAt(viewport()->height()) : rows - 1;
            for (int r = firstRow; r <= lastRow && r < rows; ++r)
                for (int c = 0; c < cols; ++c) {
                    const int rs = rowSpan(r, c), cs = columnSpan(r, c);
                    if (rs == p->rowSpan(r, c) && cs == p->columnSpan(r, c)) continue;
                    // Only the first cell of a merged block names it.
                    const QRect whole = visualRect(model()->index(r, c));
                    if (whole.left() != columnViewportPosition(c) || whole.top() != rowViewportPosition(r)) continue;
                    p->setSpan(r, c, rs, cs);
                }
        }
    }
    void followScroll() {
        if (top_) top_->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
        if (left_) left_->verticalScrollBar()->setValue(verticalScrollBar()->value());
    }
    int frozenHeight() const {
        int h = 0;
        for (int r = 0; r < std::min(fixedRows_, rowCount()); ++r)
            if (!isRowHidden(r)) h += rowHeight(r);
        return h;
    }
    int frozenWidth() const {
        int w = 0;
        for (int c = 0; c < std::min(fixedCols_, columnCount()); ++c)
            if (!isColumnHidden(c)) w += columnWidth(c);
        return w;
    }
    void placeParts() {
        const QRect area = viewport()->geometry();
        const int h = std::min(frozenHeight(), area.height());
        const int w = std::min(frozenWidth(), area.width());
        if (top_) top_->setGeometry(area.x(), area.y(), area.width(), h);
        if (left_) left_->setGeometry(area.x(), area.y(), w, area.height());
        if (corner_) {
            corner_->setGeometry(area.x(), area.y(), w, h);
            corner_->raise();
        }
        followScroll();
    }
    template <typename Position>
    static void uncover(QScrollBar* bar, ScrollMode mode, int frozen, Position position) {
        if (mode == ScrollPerPixel) {
            if (position() < frozen) bar->setValue(bar->value() - (frozen - position()));
            return;
        }
        while (position() < frozen && bar->value() > bar->minimum()) bar->setValue(bar->value() - 1);
    }

    int fixedRows_ = 0;
    int fixedCols_ = 0;
    bool sizesCopied_ = false;
    FrozenPart* top_ = nullptr;
    FrozenPart* left_ = nullptr;
    FrozenPart* corner_ = nullptr;
};

} // namespace

Qt::Alignment gridAlignment(int code) {
    if (code < 0 || code > 8) code = 0;
    static const Qt::Alignment horizontal[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static const Qt::Alignment vertical[3] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    return horizontal[code / 3] | vertical[code % 3];
}

QTableWidget* makeGrid(QWidget* parent, int rows, int cols, int fixedRows, int fixedCols) {
    auto* grid = new HeadingGrid(rows, cols, parent);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->setWordWrap(false);
    grid->setProperty("fixedRows", fixedRows);
    grid->setProperty("fixedCols", fixedCols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            QTableWidgetItem* item = gridCell(grid, r, c);
            if (r < fixedRows || c < fixedCols) item->setBackground(kFixedColour);
        }
    grid->freeze(fixedRows, fixedCols);
    return grid;
}

void setGridColumns(QTableWidget* grid, int cols, int fixedRows) {
    if (!grid || cols < 0) return;
    const int before = grid->columnCount();
    grid->setColumnCount(cols);
    for (int c = before; c < cols; ++c)
        for (int r = 0; r < grid->rowCount(); ++r) {
            QTableWidgetItem* item = gridCell(grid, r, c);
            if (r < fixedRows) item->setBackground(kFixedColour);
        }
}

QTableWidgetItem* gridCell(QTableWidget* grid, int row, int col) {
    if (!grid || row < 0 || col < 0 || row >= grid->rowCount() || col >= grid->columnCount()) return nullptr;
    QTableWidgetItem* item = grid->item(row, col);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, col, item);
    }
    return item;
}

QString gridText(const QTableWidget* grid, int row, int col) {
    if (!grid) return QString();
    const QTableWidgetItem* item = grid->item(row, col);
    return item ? item->text() : QString();
}

void setGridText(QTableWidget* grid, int row, int col, const QString& text) {
    if (QTableWidgetItem* item = gridCell(grid, row, col)) item->setText(text);
}

QLabel* makeValueLabel(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setAutoFillBackground(true);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(pal);
    return l;
}

void setForeColor(QLabel* label, bool red) {
    if (!label) return;
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, red ? QColor(255, 0, 0) : QColor(0, 0, 0));
    label->setPalette(pal);
}

QColor foreColor(const QLabel* label) { return label ? label->palette().color(QPalette::WindowText) : QColor(); }

} // namespace monitor
