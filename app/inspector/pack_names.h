#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <string>

#include "core/browse/folder_tree.h"
#include "core/records/sample.h"

// Where a pack link leads: the folder's display name and its standardised path.
struct SVPackLink {
    QString title;
    QString path;
    bool operator==(const SVPackLink&) const = default;
};

// The pack a sample came in, read from the folder tree of the libraries: the first folder below
// a library that holds the sample, else the library itself, else (outside every library) the
// sample's library name or, when that is empty or generic ("Samples" and the like), its own
// folder. Answers are remembered per folder until the tree changes, since every row asks.
class SVPackNames {
  public:
    SVPackNames();
    SVPackNames(const SVPackNames&) = delete;
    SVPackNames& operator=(const SVPackNames&) = delete;

    // The tree the sidebar shows (a named root is one library; an unnamed root holds one node
    // per library). A shared tree is kept as it is unless a path in it needs standardising.
    void setFolderRoot(std::shared_ptr<const sv::FolderNode> root);
    void setFolderRoot(sv::FolderNode root);

    // Never empty: "Sample" when nothing better is known.
    QString packNameForSample(const sv::Sample& sample);
    // The folder a row's pack link opens; none when the sample has no library name or no
    // folder of the tree matches it.
    std::optional<SVPackLink> packNavigationForSample(const sv::Sample& sample);

    // "sample", "samples", "library" and "sample library", in any case.
    static bool isGenericLibraryName(const QString& name);

  private:
    struct Answer {
        QString packName;
        std::optional<SVPackLink> link;
    };
    const Answer& answerFor(const sv::Sample& sample);
    QString computePackName(const sv::Sample& sample, const std::string& path) const;
    std::optional<SVPackLink> computePackLink(const sv::Sample& sample,
                                              const std::string& path) const;

    std::shared_ptr<const sv::FolderNode> _root;
    std::vector<const sv::FolderNode*> _tops;
    QHash<QString, Answer> _answers;
};
