#pragma once

#include <QObject>
#include <QString>

#include <functional>

class SVFilterBar;

// What a metadata link of a result row does: a type selects that sidebar category, an
// instrument or a genre becomes the chip's value, a pack opens its folder.
class SVInlineMetadata : public QObject {
    Q_OBJECT
  public:
    // Selects the category "Loop", "One Shot" or "MIDI" (never toggling it off).
    using CategorySelector = std::function<void(const QString& type)>;
    // Shows a folder; false when it is not there any more.
    using FolderNavigator = std::function<bool(const QString& path)>;

    explicit SVInlineMetadata(SVFilterBar& bar, QObject* parent = nullptr);

    void setCategorySelector(CategorySelector selector) { _selectCategory = std::move(selector); }
    void setFolderNavigator(FolderNavigator navigator) { _navigateToFolder = std::move(navigator); }

    void openInlineMetadata(const QString& role, const QString& value, const QString& packPath);

  private:
    SVFilterBar& _bar;
    CategorySelector _selectCategory;
    FolderNavigator _navigateToFolder;
};
