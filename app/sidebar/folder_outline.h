#pragma once

#include <QTreeView>

#include <memory>
#include <string>
#include <vector>

#include "core/browse/folder_tree.h"

class SVFolderOutlineModel;

// The "FOLDERS" outline: one row per folder of the tree, collapsed whenever a new tree comes.
// Selecting a row (mouse, arrows, Return, or code) reports the folder; reachable by Tab.
class SVFolderOutline : public QTreeView {
    Q_OBJECT
  public:
    explicit SVFolderOutline(QWidget* parent = nullptr);

    SVFolderOutlineModel* outlineModel() const { return _model; }
    // Shows a new tree, collapsed and with no row selected.
    void reloadTree(std::shared_ptr<const sv::FolderNode> root);
    const sv::FolderNode& folderRoot() const;
    std::shared_ptr<const sv::FolderNode> sharedFolderRoot() const;
    void setOfflineLibraries(const std::vector<std::string>& libraryPaths);

    // Expands every element of the chain but the last and returns the last one's row;
    // invalid when it has none.
    QModelIndex revealChain(const std::vector<const sv::FolderNode*>& chain);
    // Selects that row alone and scrolls to it. A row that was already the selected one
    // reports its selection again, so its place is applied anew.
    void selectRowAlone(const QModelIndex& index);
    // The selected folder, or none.
    const sv::FolderNode* selectedFolder() const;
    void clearFolderSelection();

    QSize sizeHint() const override;

  signals:
    // A row became the selected one (never sent when the selection just emptied).
    void folderSelected(const sv::FolderNode* folder);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

  private:
    void selectionDidChange();

    SVFolderOutlineModel* _model;
};
