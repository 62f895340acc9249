#pragma once

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QWidget>

#include <optional>

class SVWaveformView;

// The preview player's bar: transport buttons, key and tempo, position and duration, the big
// waveform, favourite, add to playlist, repeat, volume and the drag handle. Which controls show
// depends on the layout mode: a centred bar under the results in Desktop, a strip across the
// bottom in Compact Vertical. The bar only presents; the player controller gives it behaviour.
class SVPlayerBar : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kHeight = 96;
    // The key and tempo labels need this much width in Desktop.
    static constexpr int kKeyAndTempoMinimumWidth = 820;

    explicit SVPlayerBar(QWidget* parent = nullptr);

    void setLayoutMode(int mode);
    int layoutMode() const { return _mode; }
    // The handle that drags the loaded sample out (shown in Compact Vertical only).
    void setDragHandle(QWidget* handle);
    QWidget* dragHandle() const { return _dragHandle; }

    // Desktop bar width for a results area `resultsWidth` wide.
    static int desktopWidth(int resultsWidth);
    // Compact Vertical drag handle width for a strip `stripWidth` wide.
    static int dragHandleWidth(int stripWidth);

    void setPlaying(bool playing);
    void setFavoriteLook(bool favorite);
    void setRepeatLook(bool on, const QColor& accent);
    void setVolumeIcon(double volume);

    QPushButton* previousButton() const { return _previous; }
    QPushButton* playButton() const { return _play; }
    QPushButton* stopButton() const { return _stop; }
    QPushButton* nextButton() const { return _next; }
    QLabel* keyLabel() const { return _key; }
    QLabel* tempoLabel() const { return _tempo; }
    QLabel* positionLabel() const { return _position; }
    QLabel* durationLabel() const { return _duration; }
    SVWaveformView* waveform() const { return _waveform; }
    QPushButton* favoriteButton() const { return _favorite; }
    QPushButton* playlistButton() const { return _playlist; }
    QPushButton* repeatButton() const { return _repeat; }
    QSlider* volumeSlider() const { return _volume; }
    QLabel* volumeIcon() const { return _volumeIcon; }
    bool playShowsPause() const { return _playing; }

    QSize sizeHint() const override { return QSize(900, kHeight); }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void orderForKeyboard(bool desktop);
    void layoutDesktop(int w, int h);
    void layoutCompact(int w, int h);
    int layoutTransportGroup(int w, int top, QPushButton* third, QPushButton* fourth);

    int _mode = 1;
    bool _playing = false;
    bool _playSymbolShown = false;
    std::optional<bool> _favoriteShown;
    QPushButton* _previous;
    QPushButton* _play;
    QPushButton* _stop;
    QPushButton* _next;
    QLabel* _key;
    QLabel* _tempo;
    QLabel* _position;
    QLabel* _duration;
    SVWaveformView* _waveform;
    QPushButton* _favorite;
    QPushButton* _playlist;
    QPushButton* _repeat;
    QSlider* _volume;
    QLabel* _volumeIcon;
    QPointer<QWidget> _dragHandle;
};
