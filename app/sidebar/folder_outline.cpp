#include "app/sidebar/folder_outline.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "app/sidebar/folder_outline_model.h"
#include "app/theme/theme.h"

SVFolderOutline::SVFolderOutline(QWidget* parent)
    : QTreeView(parent), _model(new SVFolderOutlineModel(this)) {
    setModel(_model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    // Reached with Tab; a click leaves the keyboard with the results and the player.
    setFocusPolicy(Qt::TabFocus);
    setIndentation(14);
    setIconSize(QSize(15, 15));
    setAnimated(false);
    setAccessibleName(QStringLiteral("Folders"));
    verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll folders"));
    QFont rowFont = font();
    rowFont.setPixelSize(12);
    rowFont.setWeight(QFont::Medium);
    setFont(rowFont);
    setStyleSheet(QStringLiteral("QTreeView { background: transparent; color: %1; outline: 0; }"
                                 "QTreeView::item { height: 24px; }"
                                 "QTreeView::item:selected { background: %2; color: white; }"
                                 "QTreeView::item:hover:!selected { background: %3; }"
                                 "QTreeView:focus { border: 1px solid %4; border-radius: 6px; }")
                      .arg(SVTheme::grey(0.74).name(QColor::HexArgb),
                           SVTheme::grey(0.2).name(QColor::HexArgb),
                           SVTheme::grey(1.0, 0.05).name(QColor::HexArgb),
                           SVTheme::grey(1.0, 0.18).name(QColor::HexArgb)));
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SVFolderOutline::selectionDidChange);
}

// The selected row's band runs under its arrow too. It is painted here: a style sheet rule for
// the branch area would replace the arrow of a selected folder that has subfolders.
void SVFolderOutline::drawBranches(QPainter* painter, const QRect& rect,
                                   const QModelIndex& index) const {
    if (selectionModel()->isSelected(index))
        painter->fillRect(rect, SVTheme::grey(0.2));
    QTreeView::drawBranches(painter, rect, index);
}

void SVFolderOutline::reloadTree(std::shared_ptr<const sv::FolderNode> root) {
    // A reset leaves every row collapsed and unselected without reporting a selection.
    const QSignalBlocker blocker(selectionModel());
    _model->setRoot(std::move(root));
    collapseAll();
}

const sv::FolderNode& SVFolderOutline::folderRoot() const {
    return _model->root();
}

std::shared_ptr<const sv::FolderNode> SVFolderOutline::sharedFolderRoot() const {
    return _model->sharedRoot();
}

void SVFolderOutline::setOfflineLibraries(const std::vector<std::string>& libraryPaths) {
    _model->setOfflineLibraries(libraryPaths);
}

QModelIndex SVFolderOutline::revealChain(const std::vector<const sv::FolderNode*>& chain) {
    const QModelIndex last = _model->indexForChain(chain);
    if (!last.isValid())
        return {};
    std::vector<QModelIndex> ancestors;
    for (QModelIndex up = last.parent(); up.isValid(); up = up.parent())
        ancestors.push_back(up);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
        expand(*it);
    return last;
}

void SVFolderOutline::selectRowAlone(const QModelIndex& index) {
    if (!index.isValid())
        return;
    const bool alreadySelected =
        selectionModel()->isSelected(index) && selectionModel()->selectedRows().size() == 1;
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (alreadySelected)
        emit folderSelected(_model->nodeAt(index));
    scrollTo(index);
}

const sv::FolderNode* SVFolderOutline::selectedFolder() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.size() == 1 ? _model->nodeAt(rows.front()) : nullptr;
}

void SVFolderOutline::clearFolderSelection() {
    selectionModel()->clearSelection();
}

QSize SVFolderOutline::sizeHint() const {
    return QSize(QTreeView::sizeHint().width(), 120);
}

void SVFolderOutline::keyPressEvent(QKeyEvent* event) {
    const bool activate = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QModelIndex current = currentIndex();
    if (activate && current.isValid() && event->modifiers() == Qt::NoModifier) {
        if (!selectionModel()->isSelected(current))
            selectRowAlone(current);
        else if (_model->hasChildren(current))
            setExpanded(current, !isExpanded(current));
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void SVFolderOutline::selectionDidChange() {
    if (const sv::FolderNode* folder = selectedFolder())
        emit folderSelected(folder);
}
