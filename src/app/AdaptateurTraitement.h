// What a run of the main window reads and tells: the options as the window's controls
// show them, and real message boxes, the busy cursor, the progress pop-up and the preview.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QString>
#include <QUrl>

#include "engine/IRetourTraitement.h"
#include "engine/ISourceOptions.h"

class QWidget;
class TCurseurOccupe;
class TGaugeWindow;

class TAdaptateurTraitement final : public ISourceOptions, public IRetourTraitement {
public:
    // `fenetre` parents the boxes and the pop-up (gwTrtLong); `options` reads its controls;
    // the log goes to `dossierJournal` and is opened with `ouvrirUrl` (both outlive this).
    TAdaptateurTraitement(QWidget *fenetre, std::function<TEnrOptions()> options,
                          QString dossierJournal, const std::function<bool(const QUrl &)> &ouvrirUrl);
    ~TAdaptateurTraitement() override;
    TAdaptateurTraitement(const TAdaptateurTraitement &) = delete;
    TAdaptateurTraitement &operator=(const TAdaptateurTraitement &) = delete;

    TEnrOptions Options() const override;

    bool Confirmer(const QString &texte) override;
    bool QuestionPrudente(const QString &texte) override;
    void Erreur(const QString &texte) override;
    void Information(const QString &texte) override;
    void CurseurOccupe(bool occupe) override;
    void ProgressionOuvrir(const QString &legende, int minimum, int maximum, int valeur) override;
    void ProgressionAvancer() override;
    void ProgressionFermer() override;
    void MontrerApercu(bool copie, const QString &dossierBase, const TListeImages &apercu,
                       const QStringList &erreurs) override;
    QString DossierJournal() const override;
    // The desktop's viewer through `ouvrirUrl`; where it fails, the log's lines in a
    // window of the program.
    void OuvrirJournal(const QString &chemin) override;
    bool InterruptionDemandee() override { return m_interruption; }
    void Patienter() override;
    IOperationsCopie *OperationsCopie() override { return m_operationsCopie; }
    // The calls that move the copies' data: null for the real ones (tests set another).
    void DefinirOperationsCopie(IOperationsCopie *operations) { m_operationsCopie = operations; }

    // A run starts: no stop asked yet. An undo (`interruptible` false) is never asked to
    // stop: it puts back what it can, and stopping it half-way would help nobody.
    void Commencer(bool interruptible);
    // Escape or the pop-up's close button during a run: asks "Interrompre le traitement ?"
    // ("Non" the default), without the busy cursor; "Oui" asks the run to stop. Never two
    // questions at once, and none once the stop is asked or outside a run.
    void DemanderInterruption();
    // Whatever ended a run: the busy cursor and the pop-up do not outlive it.
    void Terminer();

private:
    // Runs `f` (a box that waits for the user) with the busy cursor lifted.
    template <typename F>
    auto SansCurseur(F &&f);

    QWidget *m_fenetre;
    std::function<TEnrOptions()> m_options;
    QString m_dossierJournal;
    const std::function<bool(const QUrl &)> &m_ouvrirUrl;
    TGaugeWindow *m_jauge;
    std::vector<std::unique_ptr<TCurseurOccupe>> m_curseurs;
    bool m_enCours = false;
    bool m_interruptible = false;
    bool m_interruption = false;
    bool m_question = false;
    IOperationsCopie *m_operationsCopie = nullptr;
};
