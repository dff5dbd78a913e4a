// TGaugeWindow: a stay-on-top pop-up with a caption and a percentage bar, for long
// operations that run on the GUI thread and keep the windows responsive as they advance.
#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class TGauge;

class TGaugeWindow : public QObject {
    Q_OBJECT
    // The published names keep their leading underscore as Qt property names; the C++
    // accessors go without it (an underscore before a capital is reserved in C++).
    Q_PROPERTY(QString _WindowCaption READ WindowCaption WRITE SetWindowCaption)
    Q_PROPERTY(int _WindowWidth READ WindowWidth WRITE SetWindowWidth)
    Q_PROPERTY(int _WindowHeight READ WindowHeight WRITE SetWindowHeight)
    Q_PROPERTY(int _GaugeCurValue READ GaugeCurValue WRITE SetGaugeCurValue)
    Q_PROPERTY(int _GaugeMinValue READ GaugeMinValue WRITE SetGaugeMinValue)
    Q_PROPERTY(int _GaugeMaxValue READ GaugeMaxValue WRITE SetGaugeMaxValue)

public:
    // owner: the window the component belongs to; it gets the foreground back on Hide.
    explicit TGaugeWindow(QWidget *owner);
    ~TGaugeWindow() override;
    Q_DISABLE_COPY_MOVE(TGaugeWindow)

    QWidget *Window() const { return m_window; }
    TGauge *Gauge() const { return m_gauge; }

    // Every setter does nothing when the value is unchanged.
    QString WindowCaption() const { return m_windowCaption; }
    void SetWindowCaption(const QString &valeur);
    // The outer size of the pop-up, its frame included where the window manager has one.
    // The pop-up is made wider where its caption needs it, the stored width unchanged.
    int WindowWidth() const { return m_windowWidth; }
    void SetWindowWidth(int valeur);
    int WindowHeight() const { return m_windowHeight; }
    void SetWindowHeight(int valeur);

    // The component's own counter, never clamped (the gauge clamps what it shows).
    // A change is passed to the gauge, then pending events are processed.
    int GaugeCurValue() const { return m_gaugeCurValue; }
    void SetGaugeCurValue(int valeur);
    // Throw the gauge's EErreur when the range would be inverted; the value is then
    // not stored.
    int GaugeMinValue() const { return m_gaugeMinValue; }
    void SetGaugeMinValue(int valeur);
    int GaugeMaxValue() const { return m_gaugeMaxValue; }
    void SetGaugeMaxValue(int valeur);

    // Sets the caption, the range and the current value, then shows the pop-up. Any
    // range with minimum <= maximum is accepted, whatever the previous one was; an
    // inverted one throws EErreur and the pop-up is not shown.
    void Open(const QString &caption, int minimum, int maximum, int current);
    // Shows the pop-up, centred on the primary screen; does not wait.
    void Show();
    // Hides the pop-up, gives the owner's window the foreground back and processes
    // pending events.
    void Hide();

Q_SIGNALS:
    // The user asked to stop the operation: Escape in the pop-up, or its close button
    // (or the window manager's close key). The pop-up stays open; the owner decides.
    void InterruptionDemandee();

protected:
    bool eventFilter(QObject *objet, QEvent *evenement) override;

private:
    void AppliquerTaille();
    void Centrer();
    // The inside width the caption needs in a title bar; 0 without a caption.
    int LargeurLegende() const;

    QPointer<QWidget> m_owner;
    QPointer<QWidget> m_window;
    TGauge *m_gauge = nullptr;
    QString m_windowCaption;
    int m_windowWidth = 0;
    int m_windowHeight = 0;
    int m_gaugeCurValue = 0;
    int m_gaugeMinValue = 0;
    int m_gaugeMaxValue = 100;
    // The window manager's frame around the pop-up, as last seen.
    QMargins m_cadre;
};
