#include "app/sidebar/category_buttons.h"

#include <QVBoxLayout>

#include "app/sidebar/sidebar_button.h"

using Symbol = SVSidebarIcons::Symbol;

SVCategoryButtons::SVCategoryButtons(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    const struct {
        const char* title;
        Symbol symbol;
    } types[] = {{"All Samples", Symbol::Grid},
                 {"Loops", Symbol::Repeat},
                 {"One Shots", Symbol::Waveform},
                 {"MIDI", Symbol::PianoKeys}};
    for (int tag = 0; tag < 4; ++tag) {
        auto* button = new SVSidebarButton(tag, QString::fromUtf8(types[tag].title),
                                           types[tag].symbol, false, this);
        _categoryButtons[static_cast<std::size_t>(tag)] = button;
        layout->addWidget(button);
    }
    layout->addWidget(new SVSidebarHeading(QStringLiteral("LIBRARY"), this));
    _navButtons[0] =
        new SVSidebarButton(kFavorites, QStringLiteral("Favorites"), Symbol::Heart, true, this);
    _navButtons[1] =
        new SVSidebarButton(kLibraries, QStringLiteral("Libraries"), Symbol::Drive, true, this);
    for (SVSidebarButton* button : _navButtons)
        layout->addWidget(button);

    for (SVSidebarButton* button : _categoryButtons)
        connect(button, &QPushButton::clicked, this,
                [this, button] { emit pressed(button->tag()); });
    for (SVSidebarButton* button : _navButtons)
        connect(button, &QPushButton::clicked, this,
                [this, button] { emit pressed(button->tag()); });
    activate(kAllSamples);
}

SVSidebarButton* SVCategoryButtons::button(int tag) const {
    if (tag >= 0 && tag < 4)
        return _categoryButtons[static_cast<std::size_t>(tag)];
    if (tag == kFavorites)
        return _navButtons[0];
    if (tag == kLibraries)
        return _navButtons[1];
    return nullptr;
}

void SVCategoryButtons::deactivateTypeButtons() {
    for (SVSidebarButton* button : _categoryButtons)
        button->setActive(false);
}

void SVCategoryButtons::deactivateAll() {
    deactivateTypeButtons();
    for (SVSidebarButton* button : _navButtons)
        button->setActive(false);
}

void SVCategoryButtons::activate(int tag) {
    if (SVSidebarButton* target = button(tag))
        target->setActive(true);
}

void SVCategoryButtons::activateTypeFor(const std::string& sectionType) {
    const int lit = tagForType(sectionType);
    for (SVSidebarButton* button : _categoryButtons)
        button->setActive(button->tag() == lit);
}

int SVCategoryButtons::tagForType(const std::string& sectionType) {
    if (sectionType == "Loop")
        return 1;
    if (sectionType == "One Shot")
        return 2;
    if (sectionType == "MIDI")
        return 3;
    return 0;
}

std::string SVCategoryButtons::typeForTag(int tag) {
    switch (tag) {
        case 1:
            return "Loop";
        case 2:
            return "One Shot";
        case 3:
            return "MIDI";
        default:
            return {};
    }
}
