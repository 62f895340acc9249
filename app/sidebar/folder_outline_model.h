#pragma once

#include <QAbstractItemModel>
#include <QIcon>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/browse/folder_tree.h"

// The rows of the "FOLDERS" outline over the immutable folder tree. Rows point straight at
// the tree's nodes; a folder's rows are made only when it is first expanded, so a tree of
// thousands of folders opens at once. The top level is the root itself when it has a name
// (one library, or the empty catalogue's "SAMPLE"), otherwise one row per library.
class SVFolderOutlineModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    enum Role { PathRole = Qt::UserRole + 1, OfflineRole };

    explicit SVFolderOutlineModel(QObject* parent = nullptr);
    ~SVFolderOutlineModel() override;

    // Shows a new tree; every row made before is gone, so the outline starts collapsed.
    void setRoot(std::shared_ptr<const sv::FolderNode> root);
    const sv::FolderNode& root() const { return *_root; }
    std::shared_ptr<const sv::FolderNode> sharedRoot() const { return _root; }

    // The libraries whose drive or folder is missing: their rows and every row below them
    // look offline.
    void setOfflineLibraries(const std::vector<std::string>& libraryPaths);
    bool isOffline(const QModelIndex& index) const;

    const sv::FolderNode* nodeAt(const QModelIndex& index) const;
    // The row of the last node of a chain that starts at the tree's root, making the rows
    // of its ancestors on the way; invalid when the chain does not lead through the rows.
    QModelIndex indexForChain(const std::vector<const sv::FolderNode*>& chain);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The number of rows made so far (for tests of the lazy behaviour).
    std::size_t rowsMade() const { return _rowsMade; }

  private:
    struct Item {
        const sv::FolderNode* node = nullptr;
        Item* parent = nullptr;
        int row = 0;
        bool fetched = false;
        bool offline = false;
        std::vector<std::unique_ptr<Item>> children;
    };

    Item* itemAt(const QModelIndex& index) const;
    const std::vector<std::unique_ptr<Item>>& rowsOf(const Item* parent) const;
    void makeChildren(Item& item);
    bool libraryOffline(const sv::FolderNode& node) const;
    void refreshOfflineFlags(std::vector<std::unique_ptr<Item>>& rows, bool inherited);

    std::shared_ptr<const sv::FolderNode> _root;
    std::vector<std::unique_ptr<Item>> _topLevel;
    std::set<std::string> _offlineLibraries;
    std::size_t _rowsMade = 0;
    QIcon _folderIcon;
    QIcon _offlineIcon;
};
