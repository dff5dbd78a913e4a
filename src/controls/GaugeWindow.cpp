// TGaugeWindow: the pop-up, its gauge, and the event pumping that keeps the program
// alive while a synchronous operation advances.
#include "controls/GaugeWindow.h"

#include <algorithm>

#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include "controls/Fenetres.h"
#include "controls/Gauges.h"
#include "controls/Lisibilite.h"

TGaugeWindow::TGaugeWindow(QWidget *owner) : QObject(owner), m_owner(owner)
{
    // A tool window: a thin title bar and no close, minimise or maximise button, so the
    // user cannot close it; above every other window until it is hidden. Parented to
    // the owner so that window managers keep it with the owner's window.
    m_window = new QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint
                                      | Qt::WindowTitleHint);
    m_gauge = new TGauge(m_window);
    auto *disposition = new QVBoxLayout(m_window);
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->setSpacing(0);
    disposition->addWidget(m_gauge);
    m_window->installEventFilter(this);
    m_gauge->SetCouleursPalette(PaletteSombre(m_window->palette()));

    SetWindowWidth(300);
    SetWindowHeight(48);
    m_gaugeMinValue = 0;
    m_gaugeMaxValue = 100;
}

TGaugeWindow::~TGaugeWindow()
{
    if (m_window) {
        m_window->removeEventFilter(this);
        // Hand the foreground back if the pop-up was still up, but process no events
        // here: the owner may itself be half-way through its destruction.
        if (m_window->isVisible()) {
            m_window->hide();
            if (m_owner) {
                m_owner->window()->raise();
                m_owner->window()->activateWindow();
            }
        }
        delete m_window;
    }
}

void TGaugeWindow::SetWindowCaption(const QString &valeur)
{
    if (valeur == m_windowCaption)
        return;
    m_windowCaption = valeur;
    m_window->setWindowTitle(valeur);
    AppliquerTaille(); // a longer caption may need a wider window
}

void TGaugeWindow::SetWindowWidth(int valeur)
{
    if (valeur == m_windowWidth)
        return;
    m_windowWidth = valeur;
    AppliquerTaille();
}

void TGaugeWindow::SetWindowHeight(int valeur)
{
    if (valeur == m_windowHeight)
        return;
    m_windowHeight = valeur;
    AppliquerTaille();
}

void TGaugeWindow::SetGaugeCurValue(int valeur)
{
    if (valeur == m_gaugeCurValue)
        return;
    m_gaugeCurValue = valeur;
    m_gauge->SetProgress(valeur);
    // The operation runs on this thread: this is where the windows repaint and take input.
    QCoreApplication::processEvents();
}

void TGaugeWindow::SetGaugeMinValue(int valeur)
{
    if (valeur == m_gaugeMinValue)
        return;
    // Stored only once the gauge has accepted it, so that the component and its gauge
    // never disagree about the range.
    m_gauge->SetMinValue(valeur);
    m_gaugeMinValue = valeur;
}

void TGaugeWindow::SetGaugeMaxValue(int valeur)
{
    if (valeur == m_gaugeMaxValue)
        return;
    m_gauge->SetMaxValue(valeur);
    m_gaugeMaxValue = valeur;
}

void TGaugeWindow::Open(const QString &caption, int minimum, int maximum, int current)
{
    SetWindowCaption(caption);
    // A range wholly above the current one needs its maximum first, or the gauge would
    // refuse a minimum above its old maximum.
    if (minimum <= maximum && minimum > m_gauge->MaxValue()) {
        SetGaugeMaxValue(maximum);
        SetGaugeMinValue(minimum);
    } else {
        SetGaugeMinValue(minimum);
        SetGaugeMaxValue(maximum);
    }
    SetGaugeCurValue(current);
    // A counter equal to its old value leaves the setter idle, yet the new range may have
    // clamped the gauge elsewhere: a new phase always shows its own starting point.
    m_gauge->SetProgress(current);
    Show();
}

void TGaugeWindow::Show()
{
    const bool dejaVisible = m_window->isVisible();
    if (!dejaVisible)
        Centrer();
    m_window->show();
    m_window->raise();
}

void TGaugeWindow::Hide()
{
    m_window->hide();
    if (m_owner) {
        QWidget *fenetre = m_owner->window();
        fenetre->raise();
        fenetre->activateWindow();
        QCoreApplication::processEvents();
    }
}

bool TGaugeWindow::eventFilter(QObject *objet, QEvent *evenement)
{
    // Most window managers still offer a close button on a tool window without one: it
    // asks to stop, as Escape does; the pop-up itself is only ever put away by Hide.
    if (objet == m_window && evenement->type() == QEvent::Close) {
        evenement->ignore();
        Q_EMIT InterruptionDemandee();
        return true;
    }
    if (objet == m_window && evenement->type() == QEvent::KeyPress) {
        const auto *touche = static_cast<QKeyEvent *>(evenement);
        if (touche->key() == Qt::Key_Escape && !touche->isAutoRepeat()) {
            Q_EMIT InterruptionDemandee();
            return true;
        }
    }
    if (objet == m_window && evenement->type() == QEvent::PaletteChange)
        m_gauge->SetCouleursPalette(PaletteSombre(m_window->palette()));
    if (objet == m_window && evenement->type() == QEvent::FontChange)
        AppliquerTaille();
    if (objet == m_window && (evenement->type() == QEvent::Show || evenement->type() == QEvent::Move)) {
        // The window manager's frame is known only once it has taken the window; when it
        // appears or changes, the outer size and the centring are made right again. A move
        // by the user leaves the frame as it was, and the window where the user put it.
        const QRect dehors = m_window->frameGeometry();
        const QRect dedans = m_window->geometry();
        const QMargins cadre(dedans.left() - dehors.left(), dedans.top() - dehors.top(),
                             dehors.right() - dedans.right(), dehors.bottom() - dedans.bottom());
        if (cadre != m_cadre) {
            m_cadre = cadre;
            AppliquerTaille();
            if (m_window->isVisible())
                Centrer();
        }
    }
    return QObject::eventFilter(objet, evenement);
}

int TGaugeWindow::LargeurLegende() const
{
    if (m_windowCaption.isEmpty())
        return 0;
    // The window manager writes the caption in its own font, which the program cannot
    // know: it is taken bold, as title bars mostly are, no smaller than the desktop's
    // general font nor than the pop-up's, with room for the title bar's picture and its
    // three buttons, which some window managers draw even where none is asked for.
    QFont titre = m_window->font();
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (QFontMetrics(general).height() > QFontMetrics(titre).height())
        titre = general;
    titre.setBold(true);
    // The picture and the three buttons: squares about as high as the title bar, and the
    // spaces around them (openbox, the narrowest seen, needs 105 pixels with a 14-pixel font).
    const QFontMetrics mesures(titre);
    return mesures.horizontalAdvance(m_windowCaption) + 4 * (mesures.height() + 6) + 30;
}

void TGaugeWindow::AppliquerTaille()
{
    // Qt sizes a window by its client area; the outer size asked for is met by taking the
    // frame off. The client area keeps room for the percentage text, so that a window
    // manager with a tall title bar never clips it, and is made wider than asked where
    // the caption needs it.
    const int texteMin = QFontMetrics(m_gauge->font()).height() + 2;
    const int largeur = std::max({1, m_windowWidth - m_cadre.left() - m_cadre.right(), LargeurLegende()});
    const int hauteur = std::max(texteMin, m_windowHeight - m_cadre.top() - m_cadre.bottom());
    m_window->setFixedSize(largeur, hauteur);
}

void TGaugeWindow::Centrer()
{
    const QScreen *ecran = QGuiApplication::primaryScreen();
    if (!ecran)
        return;
    const QRect bureau = ecran->availableGeometry();
    const QSize dehors = m_window->size().grownBy(m_cadre);
    m_window->move(CoinCentre(bureau, dehors));
}
