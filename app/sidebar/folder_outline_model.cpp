#include "app/sidebar/folder_outline_model.h"

#include <QFont>

#include "app/sidebar/folder_paths.h"
#include "app/sidebar/sidebar_icons.h"
#include "app/theme/theme.h"

namespace {

const QString kOfflineDescription = QStringLiteral("Offline");
const QString kOfflineToolTip =
    QStringLiteral("%1\nOffline: reconnect the drive or restore the folder to this path.");

}  // namespace

SVFolderOutlineModel::SVFolderOutlineModel(QObject* parent)
    : QAbstractItemModel(parent),
      _root(std::make_shared<const sv::FolderNode>(sv::FolderNode{"SAMPLE", {}, {}})),
      _folderIcon(SVSidebarIcons::icon(SVSidebarIcons::Symbol::Folder, SVTheme::grey(0.58))),
      _offlineIcon(SVSidebarIcons::drawnIcon(SVSidebarIcons::Symbol::Drive, SVTheme::grey(0.4))) {
    setRoot(_root);
}

SVFolderOutlineModel::~SVFolderOutlineModel() = default;

void SVFolderOutlineModel::setRoot(std::shared_ptr<const sv::FolderNode> root) {
    beginResetModel();
    _topLevel.clear();
    _rowsMade = 0;
    _root = root ? std::move(root)
                 : std::make_shared<const sv::FolderNode>(sv::FolderNode{"SAMPLE", {}, {}});
    auto addTopLevel = [this](const sv::FolderNode& node) {
        auto item = std::make_unique<Item>();
        item->node = &node;
        item->row = static_cast<int>(_topLevel.size());
        item->offline = libraryOffline(node);
        _topLevel.push_back(std::move(item));
        ++_rowsMade;
    };
    if (!_root->name.empty()) {
        addTopLevel(*_root);
    } else {
        _topLevel.reserve(_root->children.size());
        for (const sv::FolderNode& library : _root->children)
            addTopLevel(library);
    }
    endResetModel();
}

bool SVFolderOutlineModel::libraryOffline(const sv::FolderNode& node) const {
    return !node.path.empty() &&
           _offlineLibraries.count(SVFolderPaths::standardizedPath(node.path)) > 0;
}

void SVFolderOutlineModel::setOfflineLibraries(const std::vector<std::string>& libraryPaths) {
    std::set<std::string> offline;
    for (const std::string& path : libraryPaths)
        offline.insert(SVFolderPaths::standardizedPath(path));
    if (offline == _offlineLibraries)
        return;
    _offlineLibraries = std::move(offline);
    for (auto& item : _topLevel)
        item->offline = libraryOffline(*item->node);
    refreshOfflineFlags(_topLevel, false);
}

// Children follow their parent; the top level has just been decided by the library list.
void SVFolderOutlineModel::refreshOfflineFlags(std::vector<std::unique_ptr<Item>>& rows,
                                               bool inherited) {
    if (rows.empty())
        return;
    for (auto& item : rows) {
        if (item->parent)
            item->offline = inherited;
        refreshOfflineFlags(item->children, item->offline);
    }
    const Item* first = rows.front().get();
    const Item* last = rows.back().get();
    emit dataChanged(createIndex(first->row, 0, first), createIndex(last->row, 0, last));
}

bool SVFolderOutlineModel::isOffline(const QModelIndex& index) const {
    const Item* item = itemAt(index);
    return item && item->offline;
}

SVFolderOutlineModel::Item* SVFolderOutlineModel::itemAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<Item*>(index.internalPointer());
}

const sv::FolderNode* SVFolderOutlineModel::nodeAt(const QModelIndex& index) const {
    const Item* item = itemAt(index);
    return item ? item->node : nullptr;
}

const std::vector<std::unique_ptr<SVFolderOutlineModel::Item>>& SVFolderOutlineModel::rowsOf(
    const Item* parent) const {
    return parent ? parent->children : _topLevel;
}

void SVFolderOutlineModel::makeChildren(Item& item) {
    const auto& nodes = item.node->children;
    item.children.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        auto child = std::make_unique<Item>();
        child->node = &nodes[i];
        child->parent = &item;
        child->row = static_cast<int>(i);
        child->offline = item.offline;
        item.children.push_back(std::move(child));
    }
    _rowsMade += nodes.size();
    item.fetched = true;
}

QModelIndex SVFolderOutlineModel::indexForChain(const std::vector<const sv::FolderNode*>& chain) {
    if (chain.empty() || chain.front() != _root.get())
        return {};
    std::size_t next = _root->name.empty() ? 1 : 0;
    if (next >= chain.size())
        return {};
    const Item* found = nullptr;
    for (const auto& item : _topLevel) {
        if (item->node == chain[next]) {
            found = item.get();
            break;
        }
    }
    for (++next; found && next < chain.size(); ++next) {
        const QModelIndex parentIndex = createIndex(found->row, 0, found);
        if (canFetchMore(parentIndex))
            fetchMore(parentIndex);
        const auto& siblings = found->node->children;
        const sv::FolderNode* wanted = chain[next];
        if (siblings.empty() || wanted < siblings.data() ||
            wanted >= siblings.data() + siblings.size())
            return {};
        found = found->children[static_cast<std::size_t>(wanted - siblings.data())].get();
    }
    return found ? createIndex(found->row, 0, found) : QModelIndex();
}

QModelIndex SVFolderOutlineModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    const auto& rows = rowsOf(itemAt(parent));
    if (static_cast<std::size_t>(row) >= rows.size())
        return {};
    return createIndex(row, 0, rows[static_cast<std::size_t>(row)].get());
}

QModelIndex SVFolderOutlineModel::parent(const QModelIndex& child) const {
    const Item* item = itemAt(child);
    if (!item || !item->parent)
        return {};
    return createIndex(item->parent->row, 0, item->parent);
}

int SVFolderOutlineModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    return static_cast<int>(rowsOf(itemAt(parent)).size());
}

int SVFolderOutlineModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool SVFolderOutlineModel::hasChildren(const QModelIndex& parent) const {
    const Item* item = itemAt(parent);
    return item ? !item->node->children.empty() : !_topLevel.empty();
}

bool SVFolderOutlineModel::canFetchMore(const QModelIndex& parent) const {
    const Item* item = itemAt(parent);
    return item && !item->fetched && !item->node->children.empty();
}

void SVFolderOutlineModel::fetchMore(const QModelIndex& parent) {
    Item* item = itemAt(parent);
    if (!item || item->fetched)
        return;
    if (item->node->children.empty()) {
        item->fetched = true;
        return;
    }
    beginInsertRows(parent, 0, static_cast<int>(item->node->children.size()) - 1);
    makeChildren(*item);
    endInsertRows();
}

QVariant SVFolderOutlineModel::data(const QModelIndex& index, int role) const {
    const Item* item = itemAt(index);
    if (!item)
        return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return QString::fromStdString(item->node->name);
        case Qt::ToolTipRole: {
            const QString path = QString::fromStdString(item->node->path);
            return item->offline ? kOfflineToolTip.arg(path) : path;
        }
        case Qt::AccessibleDescriptionRole:
            return item->offline ? kOfflineDescription : QString();
        case Qt::DecorationRole:
            return item->offline && !item->parent ? _offlineIcon : _folderIcon;
        case Qt::ForegroundRole:
            return item->offline ? SVTheme::grey(0.45) : SVTheme::grey(0.74);
        case Qt::FontRole:
            if (item->offline) {
                QFont font;
                font.setItalic(true);
                return font;
            }
            return {};
        case PathRole:
            return QString::fromStdString(item->node->path);
        case OfflineRole:
            return item->offline;
        default:
            return {};
    }
}

Qt::ItemFlags SVFolderOutlineModel::flags(const QModelIndex& index) const {
    if (!itemAt(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
