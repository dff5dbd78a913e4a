#include "app/AdaptateurTraitement.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QWidget>

#include "app/BoiteMessage.h"
#include "controls/Fenetres.h"
#include "controls/GaugeWindow.h"
#include "ui/Apercu_fm.h"
#include "ui/JournalTexte_fm.h"

using namespace Qt::StringLiterals;

TAdaptateurTraitement::TAdaptateurTraitement(QWidget *fenetre, std::function<TEnrOptions()> options,
                                             QString dossierJournal,
                                             const std::function<bool(const QUrl &)> &ouvrirUrl)
    : m_fenetre(fenetre), m_options(std::move(options)), m_dossierJournal(std::move(dossierJournal)),
      m_ouvrirUrl(ouvrirUrl), m_jauge(new TGaugeWindow(fenetre))
{
    m_jauge->setObjectName(u"gwTrtLong"_s);
    m_jauge->SetWindowWidth(300);
    m_jauge->SetWindowHeight(48);
    m_jauge->SetGaugeMinValue(0);
    m_jauge->SetGaugeMaxValue(100);
    m_jauge->SetGaugeCurValue(0);
    QObject::connect(m_jauge, &TGaugeWindow::InterruptionDemandee, m_jauge,
                     [this] { DemanderInterruption(); });
}

TAdaptateurTraitement::~TAdaptateurTraitement()
{
    QObject::disconnect(m_jauge, &TGaugeWindow::InterruptionDemandee, m_jauge, nullptr);
}

template <typename F>
auto TAdaptateurTraitement::SansCurseur(F &&f)
{
    const size_t curseurs = m_curseurs.size();
    m_curseurs.clear();
    const auto remettre = qScopeGuard([this, curseurs] {
        for (size_t i = 0; i < curseurs; ++i)
            CurseurOccupe(true);
    });
    return f();
}

TEnrOptions TAdaptateurTraitement::Options() const { return m_options(); }

bool TAdaptateurTraitement::Confirmer(const QString &texte)
{
    return BoiteMessage::Question(m_fenetre, texte);
}

bool TAdaptateurTraitement::QuestionPrudente(const QString &texte)
{
    return BoiteMessage::QuestionPrudente(m_fenetre, texte);
}

void TAdaptateurTraitement::Erreur(const QString &texte) { BoiteMessage::Erreur(m_fenetre, texte); }

void TAdaptateurTraitement::Information(const QString &texte)
{
    BoiteMessage::Information(m_fenetre, texte);
}

void TAdaptateurTraitement::CurseurOccupe(bool occupe)
{
    if (occupe)
        m_curseurs.push_back(std::make_unique<TCurseurOccupe>());
    else if (!m_curseurs.empty())
        m_curseurs.pop_back();
}

void TAdaptateurTraitement::ProgressionOuvrir(const QString &legende, int minimum, int maximum, int valeur)
{
    m_jauge->Open(legende, minimum, maximum, valeur);
}

void TAdaptateurTraitement::ProgressionAvancer()
{
    m_jauge->SetGaugeCurValue(m_jauge->GaugeCurValue() + 1);
}

void TAdaptateurTraitement::ProgressionFermer() { m_jauge->Hide(); }

void TAdaptateurTraitement::MontrerApercu(bool copie, const QString &dossierBase,
                                          const TListeImages &apercu, const QStringList &erreurs)
{
    TfmApercu fm(m_fenetre);
    fm.Remplir(copie, dossierBase, apercu, erreurs);
    // The busy cursor would hide that the preview waits for the user.
    SansCurseur([&] { return fm.exec(); });
}

QString TAdaptateurTraitement::DossierJournal() const { return m_dossierJournal; }

void TAdaptateurTraitement::OuvrirJournal(const QString &chemin)
{
    OuvrirOuMontrer(chemin, m_fenetre, m_ouvrirUrl);
}

void TAdaptateurTraitement::Patienter() { QCoreApplication::processEvents(); }

void TAdaptateurTraitement::Commencer(bool interruptible)
{
    m_enCours = true;
    m_interruptible = interruptible;
    m_interruption = false;
}

void TAdaptateurTraitement::DemanderInterruption()
{
    if (!m_enCours || !m_interruptible || m_interruption || m_question)
        return;
    m_question = true;
    const auto fin = qScopeGuard([this] { m_question = false; });
    // While the box is open the run waits inside the step that let this event through.
    // Over the pop-up, which stays above every other window: the box belongs to it then.
    QWidget *parent = m_jauge->Window() && m_jauge->Window()->isVisible() ? m_jauge->Window() : m_fenetre;
    if (SansCurseur([parent] { return BoiteMessage::QuestionPrudente(parent, u"Interrompre le traitement ?"_s); }))
        m_interruption = true;
}

void TAdaptateurTraitement::Terminer()
{
    m_enCours = false;
    m_curseurs.clear();
    if (m_jauge->Window() && m_jauge->Window()->isVisible())
        m_jauge->Hide();
}
