#include "app/inspector/pack_names.h"

#include "app/inspector/standardized_path.h"

namespace {

constexpr qsizetype kMaxRememberedFolders = 50'000;

bool pathsStandard(const sv::FolderNode& node) {
    if (!node.path.empty() && SVPaths::standardizedPath(node.path) != node.path)
        return false;
    for (const sv::FolderNode& child : node.children) {
        if (!pathsStandard(child))
            return false;
    }
    return true;
}

void standardizePaths(sv::FolderNode& node) {
    if (!node.path.empty())
        node.path = SVPaths::standardizedPath(node.path);
    for (sv::FolderNode& child : node.children)
        standardizePaths(child);
}

// A node holds the path when it is the node's folder or lies below it. Synthetic nodes without
// a path hold nothing.
bool holds(const sv::FolderNode& node, const std::string& path) {
    return !node.path.empty() && SVPaths::contains(node.path, path);
}

const sv::FolderNode* childHolding(const sv::FolderNode& node, const std::string& path) {
    for (const sv::FolderNode& child : node.children) {
        if (holds(child, path))
            return &child;
    }
    return nullptr;
}

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

}  // namespace

SVPackNames::SVPackNames() {
    setFolderRoot(sv::FolderNode{});
}

void SVPackNames::setFolderRoot(sv::FolderNode root) {
    standardizePaths(root);
    setFolderRoot(std::make_shared<const sv::FolderNode>(std::move(root)));
}

void SVPackNames::setFolderRoot(std::shared_ptr<const sv::FolderNode> root) {
    if (!root)
        root = std::make_shared<const sv::FolderNode>();
    if (!pathsStandard(*root)) {
        sv::FolderNode copy = *root;
        standardizePaths(copy);
        root = std::make_shared<const sv::FolderNode>(std::move(copy));
    }
    _root = std::move(root);
    _tops.clear();
    if (!_root->name.empty()) {
        _tops.push_back(_root.get());
    } else {
        for (const sv::FolderNode& child : _root->children)
            _tops.push_back(&child);
    }
    _answers.clear();
}

bool SVPackNames::isGenericLibraryName(const QString& name) {
    const QString lower = name.trimmed().toLower();
    return lower == QLatin1String("sample") || lower == QLatin1String("samples") ||
           lower == QLatin1String("library") || lower == QLatin1String("sample library");
}

const SVPackNames::Answer& SVPackNames::answerFor(const sv::Sample& sample) {
    const std::string path = SVPaths::standardizedPath(sample.path);
    // Every sample of one folder and library gets the same answer: no folder node is a file.
    const std::size_t slash = path.rfind('/');
    const QString key = text(slash == std::string::npos ? std::string() : path.substr(0, slash)) +
                        QChar(0) + text(sample.library);
    if (const auto found = _answers.constFind(key); found != _answers.constEnd())
        return *found;
    if (_answers.size() >= kMaxRememberedFolders)
        _answers.clear();
    return *_answers.insert(key,
                            Answer{computePackName(sample, path), computePackLink(sample, path)});
}

QString SVPackNames::packNameForSample(const sv::Sample& sample) {
    return answerFor(sample).packName;
}

std::optional<SVPackLink> SVPackNames::packNavigationForSample(const sv::Sample& sample) {
    return answerFor(sample).link;
}

QString SVPackNames::computePackName(const sv::Sample& sample, const std::string& path) const {
    for (const sv::FolderNode* top : _tops) {
        if (!holds(*top, path))
            continue;
        for (const sv::FolderNode& child : top->children) {
            if (holds(child, path) && !child.name.empty())
                return text(child.name);
        }
        if (!top->name.empty())
            return text(top->name);
    }
    QString name = text(sample.library);
    if (name.isEmpty() || isGenericLibraryName(name))
        name = SVPaths::parentFolder(text(path)).section(QLatin1Char('/'), -1);
    return name.isEmpty() ? QStringLiteral("Sample") : name;
}

std::optional<SVPackLink> SVPackNames::computePackLink(const sv::Sample& sample,
                                                       const std::string& path) const {
    const QString name = text(sample.library).trimmed();
    if (name.isEmpty())
        return std::nullopt;
    const bool generic = isGenericLibraryName(name);
    for (const sv::FolderNode* top : _tops) {
        if (!holds(*top, path))
            continue;
        std::vector<const sv::FolderNode*> chain{top};
        while (const sv::FolderNode* next = childHolding(*chain.back(), path))
            chain.push_back(next);
        if (generic) {
            // A generic library is a shelf of packs: the pack is the folder right below it.
            const sv::FolderNode* pack = chain.size() >= 2 ? chain[1] : top;
            if (!pack->name.empty() && !pack->path.empty())
                return SVPackLink{text(pack->name), text(pack->path)};
            continue;
        }
        for (const sv::FolderNode* node : chain) {
            if (!node->path.empty() && text(node->name).compare(name, Qt::CaseInsensitive) == 0)
                return SVPackLink{text(node->name), text(node->path)};
        }
        return std::nullopt;
    }
    return std::nullopt;
}
