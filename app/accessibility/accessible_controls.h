#pragma once

class QAbstractButton;
class QLineEdit;

// Accessible faces for controls whose Qt defaults say or do too little for a screen reader:
// checkable buttons whose behaviour hangs on their click (a row's selection box, the layout
// switch), line edits that act on what is typed (the search field), and the custom-painted
// waveforms, which seek like a slider. An action taken through them is the click, the typing or
// the seek the mouse and keyboard would make.
namespace SVAccessibility {

// Installs the factory of these interfaces; once per process, however often it is called.
void installFactory();

// Toggling `button` through the accessibility interface clicks it, as the mouse would, instead of
// only flipping its state.
void setToggleClicks(QAbstractButton* button);

// Text set, inserted or deleted in `field` through the accessibility interface is edited with the
// field's own editing commands, as typing edits it: textEdited is emitted, the validator and the
// undo history take part.
void setEditsAsTyping(QLineEdit* field);

}  // namespace SVAccessibility
