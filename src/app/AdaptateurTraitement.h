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
    void Erreur(const QString &texte) override;
    void Information(const QString &texte) override;
    void CurseurOccupe(bool occupe) override;
    void ProgressionOuvrir(const QString &legende, int minimum, int maximum, int valeur) override;
    void ProgressionAvancer() override;
    void ProgressionFermer() override;
    void MontrerApercu(bool copie, const QString &dossierBase, const TListeImages &apercu,
                       const QStringList &erreurs) override;
    QString DossierJournal() const override;
    void OuvrirJournal(const QString &chemin) override;

    // Whatever ended a run: the busy cursor and the pop-up do not outlive it.
    void Terminer();

private:
    QWidget *m_fenetre;
    std::function<TEnrOptions()> m_options;
    QString m_dossierJournal;
    const std::function<bool(const QUrl &)> &m_ouvrirUrl;
    TGaugeWindow *m_jauge;
    std::vector<std::unique_ptr<TCurseurOccupe>> m_curseurs;
};
