// TGauge: a control that shows where a value stands within a range (bar, pie, needle
// dial or plain field), with the percentage optionally written across it.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

// An off-screen image used while painting a gauge. MatchSize gives it the size of
// another image and fills it completely with a solid colour (every use then paints it
// black, so the colour itself does not matter).
class TBltBitmap : public QImage {
public:
    TBltBitmap() = default;
    void MatchSize(const QImage &modele);
};

class TGauge : public QWidget {
    Q_OBJECT

public:
    enum class TGaugeKind : quint8 { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
    Q_ENUM(TGaugeKind)
    enum class TBorderStyle : quint8 { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)

private:
    Q_PROPERTY(TGaugeKind Kind READ Kind WRITE SetKind)
    Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(QColor ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(QColor BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(int Progress READ Progress WRITE SetProgress)
    Q_PROPERTY(int Percent READ Percent STORED false)
    Q_PROPERTY(bool Chargement READ Chargement WRITE SetChargement STORED false)
    Q_PROPERTY(bool CouleursPalette READ CouleursPalette WRITE SetCouleursPalette STORED false)

public:
    explicit TGauge(QWidget *parent = nullptr);
    ~TGauge() override;
    Q_DISABLE_COPY_MOVE(TGauge)

    TGaugeKind Kind() const { return m_kind; }
    void SetKind(TGaugeKind valeur);
    bool ShowText() const { return m_showText; }
    void SetShowText(bool valeur);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle valeur);
    QColor ForeColor() const { return m_foreColor; }
    void SetForeColor(const QColor &valeur);
    QColor BackColor() const { return m_backColor; }
    void SetBackColor(const QColor &valeur);

    int MinValue() const { return m_minValue; }
    // Throws EErreur ("La valeur doit être comprise entre -2147483647 et <MaxValue - 1>")
    // when valeur exceeds MaxValue outside of loading; nothing is changed then.
    void SetMinValue(int valeur);
    int MaxValue() const { return m_maxValue; }
    // Throws EErreur ("La valeur doit être comprise entre <MinValue + 1> et 2147483647")
    // when valeur is below MinValue outside of loading; nothing is changed then.
    void SetMaxValue(int valeur);
    int Progress() const { return m_progress; }
    // Clamped into MinValue..MaxValue; repaints only when Percent changes.
    void SetProgress(int valeur);

    // The whole-number percentage done, truncated; 0 for an empty (or, while loading,
    // inverted) range.
    int Percent() const;

    // While loading stored properties, MinValue and MaxValue are accepted in any order.
    // Ending the load brings Progress back into a consistent range.
    bool Chargement() const { return m_chargement; }
    void SetChargement(bool valeur);

    // Drawn in the palette's colours instead of ForeColor, BackColor and the inverting
    // text: the bar in the selection's colour on the view's background, its frame between
    // text and background, the percentage in the text colour over the empty part and in
    // the selection's text colour over the bar. What a dark desktop needs, where a black
    // bar on white glares among the dark windows.
    bool CouleursPalette() const { return m_couleursPalette; }
    void SetCouleursPalette(bool valeur);

    QSize sizeHint() const override { return {100, 100}; }

    // The gauge's picture at its current size, as paintEvent puts it on screen.
    QImage Dessiner() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void DessinerGenre(QImage &calque, const QRect &zone, int pourcent, const QColor &avant,
                       const QColor &fond) const;
    void DessinerTexte(QImage &image, const QRect &zone, int pourcent) const;
    QImage DessinerEnCouleursPalette(const QRect &zone, int pourcent) const;

    int m_minValue = 0;
    int m_maxValue = 100;
    int m_progress = 0;
    TGaugeKind m_kind = TGaugeKind::gkHorizontalBar;
    bool m_showText = true;
    TBorderStyle m_borderStyle = TBorderStyle::bsSingle;
    QColor m_foreColor = QColor(0, 0, 0);
    QColor m_backColor = QColor(255, 255, 255);
    bool m_chargement = false;
    bool m_couleursPalette = false;
};

using TGaugeKind = TGauge::TGaugeKind;
using TGaugeBorderStyle = TGauge::TBorderStyle;
