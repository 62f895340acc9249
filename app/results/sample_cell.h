#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <vector>

#include "app/results/row_button.h"
#include "app/results/row_decoration.h"
#include "core/records/sample.h"

class QCheckBox;
class SVWaveformView;

// A link inside a row's metadata line: the type, instrument, genre or pack it names.
class SVMetadataLink : public SVRowButton {
    Q_OBJECT
  public:
    SVMetadataLink(const QString& text, const QString& role, const QString& path,
                   QWidget* parent = nullptr);
    QString metadataRole() const { return _role; }
    QString metadataValue() const { return _value; }
    QString packPath() const { return _packPath; }
    void setHoverLook(bool hovered);

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QString _role;
    QString _value;
    QString _packPath;
};

// One part of the metadata line; `role` is empty for plain text. A part that continues the
// previous one (each further genre of a sample's genre list) follows it after ", " instead of
// " • ", so the line reads as before while every genre is a link of its own.
struct SVMetadataPart {
    QString text;
    QString role;
    QString path;
    bool continuesPrevious = false;
};

// The metadata line of a sample: type, instrument, genre and pack, each only when not empty.
std::vector<SVMetadataPart> metadataParts(const sv::Sample& sample, const QString& packTitle,
                                          const QString& packPath);

// Seconds as "m:ss" (minutes not capped); anything not finite and non-negative is "0:00".
QString clockText(double seconds);
// The duration column: the clock of the duration, or "--" when unknown.
QString durationText(const sv::Sample& sample);
QString tempoText(const sv::Sample& sample);

// What one sample row shows.
struct SVSampleCellContent {
    sv::Sample sample;
    int row = 0;
    bool compact = false;
    bool selected = false;
    bool playing = false;  // the loaded sample, and its player plays
    QString packTitle;     // empty when the row has no pack
    QString packPath;
    QPixmap artwork;  // folder artwork; null for the letter avatar
    // Letter avatars drawn by the row's decoration; null ones are drawn by the cell.
    QPixmap avatar;
    QPixmap selectedAvatar;
};

// Geometry of the full presentation's columns for a row `width` wide (shared with the header).
struct SVSampleColumns {
    int nameX = 148;
    int nameWidth = 0;
    int waveformX = 0;
    int waveformWidth = 0;
    int durationX = 0;
    int durationWidth = 0;
    int keyX = 0;
    int keyWidth = 0;
    int tempoX = 0;
    int tempoWidth = 0;
};
SVSampleColumns sampleColumns(int width);

// A results row of a sample, in the compact or the full presentation.
class SVSampleCell : public QWidget {
    Q_OBJECT
  public:
    explicit SVSampleCell(QWidget* parent = nullptr);

    void setContent(const SVSampleCellContent& content);
    const SVSampleCellContent& content() const { return _content; }
    void setCompact(bool compact);
    void setSelected(bool selected);
    void setFavorite(bool favorite);
    void setDuration(double seconds);
    void setPlaying(bool playing);
    void setHovered(bool hovered);
    bool hovered() const { return _hovered; }
    // New artwork or pack link for the same sample (the artwork arrived or was changed).
    void setDecoration(const SVRowDecoration& decoration);
    QLabel* artworkView() const { return _artwork; }

    SVWaveformView* waveform() const { return _waveform; }
    QPushButton* playButton() const { return _play; }
    QPushButton* favoriteButton() const { return _favorite; }
    QPushButton* nameButton() const { return _name; }
    QCheckBox* selectionBox() const { return _selectionBox; }
    QLabel* durationLabel() const { return _durationLabel; }
    QLabel* keyLabel() const { return _keyLabel; }
    QLabel* tempoLabel() const { return _tempoLabel; }
    const std::vector<SVMetadataLink*>& metadataLinks() const { return _links; }
    QString metadataText() const;
    // The metadata link under a point of the cell, if any.
    SVMetadataLink* metadataLinkAt(QPoint cellPosition) const;

    // A letter image of 40 × 40 for a sample without folder artwork.
    static QPixmap sampleAvatar(const QString& packName, bool selected);

  signals:
    void previewRequested(int row);
    void favoriteToggled(int row);
    void selectionToggled(int row, bool on);
    void metadataLinkActivated(const QString& role, const QString& value, const QString& path);
    void waveformSeeked(int row, double value);
    void waveformDoubleClicked(int row);
    void hoverEntered(SVSampleCell* cell);
    void hoverExited(SVSampleCell* cell);
    void hoverMoved(SVSampleCell* cell);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QString fileName() const;
    // The pack title, else the library's name.
    QString packName() const;
    void rebuildMetadataLine();
    void updateFavoriteLook();
    void updateAccessibleNames();
    void updateArtwork();
    void updateTexts();
    void layoutCompact(int w, int h);
    void layoutFull(int w, int h);

    SVSampleCellContent _content;
    bool _hovered = false;
    QCheckBox* _selectionBox;
    SVRowButton* _play;
    SVRowButton* _favorite;
    QLabel* _artwork;
    SVRowButton* _name;
    QWidget* _metadata;
    std::vector<SVMetadataLink*> _links;
    SVWaveformView* _waveform;
    QLabel* _durationLabel;
    QLabel* _keyLabel;
    QLabel* _tempoLabel;
};
