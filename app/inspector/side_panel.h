#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

class QScrollArea;
class QStackedWidget;
class SVInspectorView;

// The right-hand panel of the Desktop layout. Until a sample is loaded it is the guide, titled
// "Guide & Shortcuts"; once one is, it is the inspector, titled "Sample Info". Collapsed, it is
// a narrow strip holding only the button that opens it again.
class SVSidePanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr const char* kCollapsedKey = "SVHelpCollapsed";

    explicit SVSidePanel(QWidget* parent = nullptr);

    SVInspectorView* inspectorView() const { return _inspector; }
    QLabel* titleLabel() const { return _title; }
    QPushButton* collapseButton() const { return _collapse; }

    // Shows the inspector (true) or the guide (false), with the matching title.
    void setInspectorActive(bool active);
    bool inspectorActive() const { return _inspectorActive; }
    // Puts the guide's content in place of the short guide shown so far.
    void setGuideContent(QWidget* content);
    QWidget* guideContent() const { return _guide; }

    // Reads "SVHelpCollapsed" and shows the panel open or collapsed.
    void applyCollapsedSetting();
    bool collapsed() const { return _collapsed; }
    // The collapse button: flips "SVHelpCollapsed" and reports it.
    void toggleHelp();

  signals:
    // The collapse button flipped "SVHelpCollapsed": the window lays itself out again.
    void collapsedChanged(bool collapsed);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void setCollapsed(bool collapsed);

    QLabel* _title;
    QPushButton* _collapse;
    QStackedWidget* _pages;
    QWidget* _guide;
    QScrollArea* _inspectorScroll;
    SVInspectorView* _inspector;
    bool _inspectorActive = false;
    bool _collapsed = false;
};
