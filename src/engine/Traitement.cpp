#include "engine/Traitement.h"

#include <cerrno>

#include <QSet>

#include "commun/Chemins.h"
#include "commun/EErreur.h"
#include "commun/NomsFichiers.h"
#include "engine/Compagnons.h"
#include "engine/ComposerDonnees.h"
#include "engine/EspaceDisque.h"
#include "engine/JournalErreurs.h"
#include "engine/JournalTraitement.h"
#include "engine/OperationsFichiers.h"
#include "metadata/ChercherImages.h"
#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

namespace {

const QString kAucuneImage = u"Aucune image à traiter."_s;
const QString kNomJournal = u"Clarvane.erreurs.txt"_s;

// A failure line, followed by " : " and the system's message when the system gave one.
QString AvecCause(const QString &ligne, int erreur)
{
    return erreur ? ligne + u" : "_s + MessageSysteme(erreur) : ligne;
}

// The destination cannot take more: the disk is full, or the user's quota is.
bool DestinationPleine(int erreur)
{
    return erreur == ENOSPC || erreur == EDQUOT;
}

// The busy cursor, put back to normal however the run ends.
class TCurseur {
public:
    explicit TCurseur(IRetourTraitement &retour) : m_retour(retour) {}
    ~TCurseur() { Occupe(false); }
    TCurseur(const TCurseur &) = delete;
    TCurseur &operator=(const TCurseur &) = delete;
    void Occupe(bool occupe)
    {
        if (occupe != m_occupe) {
            m_occupe = occupe;
            m_retour.CurseurOccupe(occupe);
        }
    }

private:
    IRetourTraitement &m_retour;
    bool m_occupe = false;
};

// The progress pop-up, hidden however the phase ends.
class TProgression {
public:
    explicit TProgression(IRetourTraitement &retour) : m_retour(retour) {}
    ~TProgression() { Fermer(); }
    TProgression(const TProgression &) = delete;
    TProgression &operator=(const TProgression &) = delete;
    void Ouvrir(const QString &legende, int nombre)
    {
        m_ouverte = true;
        m_retour.ProgressionOuvrir(legende, 0, nombre - 1, 0);
    }
    void Fermer()
    {
        if (m_ouverte) {
            m_ouverte = false;
            m_retour.ProgressionFermer();
        }
    }

private:
    IRetourTraitement &m_retour;
    bool m_ouverte = false;
};

class TTraitement {
public:
    TTraitement(bool traiter, const ISourceOptions &options, IRetourTraitement &retour,
                TListeImages &listeImages)
        : Traiter(traiter), m_options(options), m_retour(retour), ListeImages(listeImages),
          m_curseur(retour), m_progression(retour),
          m_annulable(traiter ? retour.DossierJournal() : QString())
    {
    }

    void Executer();

private:
    void NoterNonRetenus(const TNonRetenus &nonRetenus);
    // Copy mode, before phase 2: false when the destination has less room than what the
    // run will copy and the user answered "Non" to going on.
    bool PlaceAccordee(const TEnrOptions &mode);
    // Copy mode: the target folder of image j with these options; empty when it has none
    // of the values chosen (it will not be copied).
    QString DossierCibleDe(qsizetype j, const TEnrOptions &options) const;
    void TraiterListe();
    void CopierImage(qsizetype i, const QString &valeurs, const TEnrOptions &options);
    // Copies one file of the run (an image, or a file that travels with it) from `source`
    // to `prevue` in `dossierCible`, or to the name `nomLibre` gives if `prevue` is taken
    // meanwhile (without it, a taken name is a failure), with its journal entries and, when
    // the options ask it, its verification. Every failure gets its line; the result says
    // whether the copy counts, and where it went. `compagnon`: a file that travels with an
    // image, so noted in the journal. `erreurDossier`: why the target's folder could not be
    // made, the cause given first.
    TResultatCopie CopierUnFichier(const QString &source, const QString &prevue,
                                   const std::function<QString()> &nomLibre,
                                   const TEnrOptions &options, bool compagnon, int erreurDossier = 0);
    void RenommerImage(qsizetype i, const QString &valeurs, const TEnrOptions &options);
    // Renames one file of the run (an image, or a file that travels with it: `compagnon`)
    // with its journal entries; a failure gets its line. True when renamed.
    bool RenommerUnFichier(const QString &ancien, const QString &nouveau, const TEnrOptions &options,
                           bool compagnon);
    // Copy mode: the companions of image i that go into `dossierCible` beside the image
    // named `cible` there; those of a preview, under their target names.
    QList<TEnrCompagnon> CopierCompagnons(qsizetype i, const QString &dossierCible, const QString &cible,
                                          const TEnrOptions &options);
    void NommerLaisses(const QStringList &compagnons);
    // A path taken on disk, or by a target this preview has planned.
    bool Occupe(const QString &chemin) const;
    void AjouterApercu(const QString &cible, qint64 taille, const QList<TEnrCompagnon> &compagnons = {});
    void MontrerApercu();
    void EcrireJournal(const QString &chemin) const;
    // The lines of ListeErreurs as text: the bytes of names that are not UTF-8 as "\xHH".
    QStringList LignesLisibles() const;
    // Interruption: one step of phase 1, and the events processed during the counting pass
    // or while phase 1 waits (both false once the user stopped the run); the end of a run
    // stopped before it changed anything.
    bool AvancerLecture();
    bool Patienter();
    bool Continuer(); // after pending events were processed

    void TerminerSansSuite();
    // The base folder of the targets, read again at each call.
    QString DossierBase() const;

    const bool Traiter;
    const ISourceOptions &m_options;
    IRetourTraitement &m_retour;
    TListeImages &ListeImages;
    TCurseur m_curseur;
    TProgression m_progression;

    bool Copie = true;
    int Nombre = 0;
    qint64 TailleTotale = 0;
    int NbTraitees = 0;
    qint64 TailleTraitee = 0;
    QStringList ListeErreurs;
    TListeImages ListeApercu;
    QSet<QString> m_dossiersCrees;
    TBilanScan m_comptage; // what the counting pass met, to name what phase 1 did not keep
    TNonRetenus m_nonRetenus; // what phase 1 did not keep, and the other files it met
    TSuiviCompagnons m_compagnons;
    QSet<QString> m_prevues; // preview: every target planned so far
    // What this processing run changed, for its undo.
    TJournalTraitement m_annulable;
    bool m_interrompu = false;
    int m_nonTraitees = 0; // images of phase 2 left when the run was stopped
    bool m_pleine = false;  // stopped by a copy that found the destination full
};

QString TTraitement::DossierBase() const
{
    const TEnrOptions options = m_options.Options();
    return Copie ? options.cDossDst : options.cDossSrc;
}

void TTraitement::Executer()
{
    m_curseur.Occupe(true);
    ListeErreurs.clear();

    // Counting pass. A run needs a source folder, and a copy a destination: without them
    // there is nothing to work on, and nothing is touched.
    const TEnrOptions depart = m_options.Options();
    if (!depart.cDossSrc.isEmpty() && !(depart.lCopier && depart.cDossDst.isEmpty())) {
        TListeImages inutilisee;
        TParametresScan parametres;
        parametres.patienter = [this] { return Patienter(); };
        parametres.formatsEtendus = depart.lFormatsEtendus;
        ChercherImages(depart.cDossSrc, Nombre, TailleTotale, true, depart.lLectRecurs, inutilisee,
                       {}, &m_comptage, parametres);
    }
    if (m_interrompu) {
        TerminerSansSuite();
        return;
    }
    m_curseur.Occupe(false);
    NbTraitees = 0;
    TailleTraitee = 0;

    if (Nombre < 1) {
        m_retour.Erreur(kAucuneImage);
        return;
    }
    if (Traiter && !m_retour.Confirmer(u"Traiter les %1 Images (%2) ?"_s.arg(Nombre)
                                           .arg(TailleEnTexte(TailleTotale))))
        return; // nothing changed: the previous images stay in the list

    m_curseur.Occupe(true);
    ListeImages.clear();
    ListeApercu.clear();

    // Phase 1: reading the EXIF values.
    m_progression.Ouvrir(u"Phase 1/2 - Lecture des données EXIF"_s, Nombre);
    {
        const TEnrOptions lecture = m_options.Options();
        int nombre = 0;
        qint64 taille = 0;
        TBilanScan bilan;
        TParametresScan parametres;
        parametres.patienter = [this] { return Patienter(); };
        parametres.formatsEtendus = lecture.lFormatsEtendus;
        parametres.compagnons = ReglesCompagnons();
        if (!lecture.cDossSrc.isEmpty())
            ChercherImages(lecture.cDossSrc, nombre, taille, false, lecture.lLectRecurs,
                           ListeImages, [this] { return AvancerLecture(); }, &bilan, parametres);
        if (!m_interrompu)
            m_nonRetenus = ComparerPassages(m_comptage, bilan);
    }
    m_progression.Fermer();
    if (m_interrompu) {
        TerminerSansSuite();
        return;
    }
    TrierListe(ListeImages);

    bool montrer = !ListeImages.isEmpty();
    if (montrer) {
        const TEnrOptions mode = m_options.Options();
        Copie = mode.lCopier;
        m_compagnons = TSuiviCompagnons(ListeImages, m_nonRetenus.Fichiers);
        if (Traiter && Copie && !mode.cDossDst.isEmpty() && !PlaceAccordee(mode)) {
            TerminerSansSuite();
            return;
        }
        m_progression.Ouvrir(u"Phase 2/2 - Traitement en cours"_s, int(ListeImages.size()));
        // The run's folders head its journal: its undo touches nothing outside them.
        if (Traiter) {
            m_annulable.Perimetre(mode.cDossSrc);
            if (Copie)
                m_annulable.Perimetre(mode.cDossDst);
        }
        if (Copie && mode.cDossDst.isEmpty()) {
            montrer = false; // the destination was unselected meanwhile
        } else {
            NoterNonRetenus(m_nonRetenus);
            TraiterListe();
        }
        m_progression.Fermer();
        if (m_interrompu && !Traiter) {
            TerminerSansSuite();
            return;
        }
    }

    if (!montrer) {
        m_curseur.Occupe(false);
        m_retour.Erreur(kAucuneImage);
    } else if (!Traiter) {
        m_curseur.Occupe(false);
        if (ListeApercu.isEmpty())
            m_retour.Erreur(kAucuneImage);
        else
            MontrerApercu();
    } else {
        m_annulable.Terminer();
        if (!m_annulable.Echec().isEmpty())
            ListeErreurs.append(m_annulable.Echec());
        if (m_interrompu)
            ListeErreurs.append((m_pleine ? u"Traitement interrompu : destination pleine, %1 images non traitées."_s
                                          : u"Traitement interrompu : %1 images non traitées."_s)
                                    .arg(m_nonTraitees));
        const QString journal = m_retour.DossierJournal() + kNomJournal;
        EcrireJournal(journal); // throws when it cannot: the copies made stay made
        QString resume = u"%1 images traitées (%2)."_s.arg(NbTraitees).arg(TailleEnTexte(TailleTraitee));
        if (!ListeErreurs.isEmpty())
            resume += u"\r\n\r\nDes erreurs ont été rencontrées :\r\nchargement de \"%1\"."_s.arg(NomLisible(journal));
        m_curseur.Occupe(false);
        m_retour.Information(resume);
        if (!ListeErreurs.isEmpty())
            m_retour.OuvrirJournal(journal);
    }

    if (!Traiter) {
        ListeApercu.clear();
        ListeImages.clear();
    }
}

// The size asked of the destination is that of what phase 2 will copy with the options as
// they stand: each image phase 1 kept that has a target folder (one without any of the
// values chosen is not copied), and each companion once into each folder that receives
// it, as the run sends them. Its sizes are those of the files as they are now.
bool TTraitement::PlaceAccordee(const TEnrOptions &mode)
{
    const std::optional<qint64> libre = EspaceLibre(mode.cDossDst);
    if (!libre)
        return true; // nothing known: each copy will tell
    // Every image and every companion of each: no less than the run copies, and quick.
    qint64 auPlus = 0;
    for (const TEnrFichier &image : std::as_const(ListeImages)) {
        auPlus += image.Taille;
        for (const TEnrCompagnon &c : image.Compagnons)
            auPlus += c.Taille;
    }
    if (*libre >= auPlus)
        return true;
    TEnrOptions options = mode;
    options.lCopier = true;
    TSuiviCompagnons envois = m_compagnons; // a rehearsal: the run's own is left as it is
    qint64 aCopier = 0;
    for (qsizetype i = 0; i < ListeImages.size(); ++i) {
        const QString dossier = DossierCibleDe(i, options);
        if (dossier.isEmpty())
            continue;
        aCopier += ListeImages.at(i).Taille;
        for (const TEnrCompagnon &c : envois.ACopier(i, dossier))
            aCopier += c.Taille;
    }
    if (*libre >= aCopier)
        return true;
    m_curseur.Occupe(false);
    const bool continuer = m_retour.QuestionPrudente(
        u"La destination n'a que %1 de libre pour %2 à copier. Continuer ?"_s.arg(
            TailleEnTexte(*libre), TailleEnTexte(aCopier)));
    if (continuer)
        m_curseur.Occupe(true);
    return continuer;
}

QString TTraitement::DossierCibleDe(qsizetype j, const TEnrOptions &options) const
{
    const QString valeurs = ComposerDonnees(ListeImages.at(j).EXIF.value_or(TEnrEXIF{}), options);
    return valeurs.isEmpty() ? QString() : DossierCibleCopie(options.cDossDst, valeurs);
}

// Every accepted file counted and not kept by phase 1 gets its line, before the lines of
// phase 2, so that no image leaves the run without a word; in copy mode, so does every
// other file that the run leaves on the source.
void TTraitement::NoterNonRetenus(const TNonRetenus &nonRetenus)
{
    for (const QString &dossier : nonRetenus.Dossiers)
        ListeErreurs.append(u"Impossible de lire le dossier %1"_s.arg(dossier));
    for (const TFichierNonRetenu &f : nonRetenus.Fichiers) {
        const QString chemin = f.Fichier.Dossier + f.Fichier.Nom;
        ListeErreurs.append(f.Issue == TIssueLecture::SansValeur
                                ? u"Aucune donnée EXIF lisible pour %1"_s.arg(chemin)
                                : u"Impossible de lire %1"_s.arg(chemin));
        if (Copie)
            NommerLaisses(m_compagnons.LaissesNonRetenu(f.Fichier));
    }
    if (Copie)
        for (const TEnrFichier &f : nonRetenus.Autres)
            ListeErreurs.append(u"Non copié (ni image ni fichier associé) : %1"_s.arg(f.Dossier + f.Nom));
}

void TTraitement::NommerLaisses(const QStringList &compagnons)
{
    for (const QString &chemin : compagnons)
        ListeErreurs.append(u"Non copié (fichier associé à une image non copiée) : %1"_s.arg(chemin));
}

void TTraitement::TraiterListe()
{
    int restantes = int(ListeImages.size());
    for (qsizetype i = 0; i < ListeImages.size(); ++i) {
        const TEnrFichier &image = ListeImages.at(i);
        m_retour.ProgressionAvancer();
        // The user may have stopped the run during the step; the image before is done.
        if (m_retour.InterruptionDemandee()) {
            m_interrompu = true;
            m_nonTraitees = restantes;
            break;
        }
        --restantes;
        // The options as the window shows them now; the mode stays the one of this phase,
        // so that the values text is made for the operation really carried out.
        TEnrOptions options = m_options.Options();
        options.lCopier = Copie;
        const QString valeurs = ComposerDonnees(image.EXIF.value_or(TEnrEXIF{}), options);
        if (valeurs.isEmpty())
            ListeErreurs.append(u"Absence d'une donnée EXIF attendue pour %1"_s.arg(image.Dossier + image.Nom));
        else if (Copie)
            CopierImage(i, valeurs, options);
        else
            RenommerImage(i, valeurs, options);
        if (Copie)
            NommerLaisses(m_compagnons.Laisses(i));
        if (m_pleine) { // every copy after it would fail the same way
            m_interrompu = true;
            m_nonTraitees = restantes;
            break;
        }
    }
}

void TTraitement::CopierImage(qsizetype i, const QString &valeurs, const TEnrOptions &options)
{
    const TEnrFichier &image = ListeImages.at(i);
    const QString source = image.Dossier + image.Nom;
    if (options.cDossDst.isEmpty()) { // never copy relative to the working folder
        ListeErreurs.append(u"Impossible de copier %1 vers %2"_s.arg(source, valeurs + u'/' + image.Nom));
        return;
    }
    const QString dossierCible = DossierCibleCopie(options.cDossDst, valeurs);
    if (Traiter)
        m_annulable.Perimetre(options.cDossDst);
    // A folder made once in this run is not made again for each of its images. A
    // failure shows as the copy's failure below, with its own cause. The journal is made
    // before the first folder, so that an undo never takes back an earlier run instead.
    int erreurDossier = 0;
    if (Traiter && !m_dossiersCrees.contains(dossierCible)
        && CreerDossiers(NomEnOctets(dossierCible), [this](const QByteArray &) { m_annulable.AvantChangement(); },
                         [this](const QByteArray &d) { m_annulable.DossierCree(d); }, &erreurDossier))
        m_dossiersCrees.insert(dossierCible);
    const QString cible = dossierCible + image.Nom;
    // The images of one shot that go into one folder take one number; the name of
    // another image of the run planned there counts as taken.
    const auto occupe = [this](const QString &chemin) { return Occupe(chemin); };
    const qint64 numero = m_compagnons.Numero(i, dossierCible, [&](qsizetype j) { return DossierCibleDe(j, options); },
                                              occupe);
    const QString prevue = numero > 0 ? dossierCible + NomAvecNumero(image.Nom, numero) : cible;

    if (!Traiter) {
        if (prevue != cible)
            ListeErreurs.append(u"%1 (existant) sera copié en %2"_s.arg(cible, prevue));
        m_prevues.insert(prevue);
        AjouterApercu(cible, image.Taille, CopierCompagnons(i, dossierCible, prevue, options));
        return;
    }

    // The real name is known once the file is in place: a target that appears between
    // the check above and the end of the copy takes the next free number too.
    const TResultatCopie r = CopierUnFichier(source, prevue, [&] {
        return dossierCible + NomAvecNumero(image.Nom, m_compagnons.NumeroLibre(i, dossierCible, occupe));
    }, options, false, erreurDossier);
    if (!r.Reussi)
        return;
    if (r.Cible != cible)
        ListeErreurs.append(u"%1 (existant) a été copié en %2"_s.arg(cible, r.Cible));
    ++NbTraitees;
    TailleTraitee += image.Taille;
    CopierCompagnons(i, dossierCible, r.Cible, options);
}

TResultatCopie TTraitement::CopierUnFichier(const QString &source, const QString &prevue,
                                            const std::function<QString()> &nomLibre,
                                            const TEnrOptions &options, bool compagnon, int erreurDossier)
{
    m_annulable.FichiersAssocies(compagnon);
    TParametresCopie parametres;
    parametres.nomLibre = nomLibre;
    parametres.verifier = options.lVerifierCopies;
    parametres.suivi = &m_annulable;
    parametres.operations = m_retour.OperationsCopie();
    const TResultatCopie r = CopierFichier(source, prevue, parametres);
    switch (r.Echec) {
    case TEchecCopie::Aucun:
        break;
    case TEchecCopie::Copie: {
        const int cause = erreurDossier ? erreurDossier : r.Erreur;
        ListeErreurs.append(AvecCause(u"Impossible de copier %1 vers %2"_s.arg(source, prevue), cause));
        m_pleine = m_pleine || DestinationPleine(cause);
        break;
    }
    case TEchecCopie::Verification: // a full disk may show only when the copy is flushed
        ListeErreurs.append(u"Impossible de vérifier la copie de %1 vers %2 : %3"_s.arg(
            source, r.Cible, MessageSysteme(r.Erreur)));
        m_pleine = m_pleine || DestinationPleine(r.Erreur);
        break;
    case TEchecCopie::Difference:
        ListeErreurs.append(u"Copie de %1 vers %2 différente de l'original : copie retirée"_s.arg(source, r.Cible));
        break;
    case TEchecCopie::SourceModifiee:
        ListeErreurs.append(u"Source modifiée pendant la copie : %1"_s.arg(source));
        break;
    }
    if (!r.TemporaireLaisse.isEmpty())
        ListeErreurs.append(u"Fichier temporaire %1 laissé : %2"_s.arg(r.TemporaireLaisse,
                                                                      MessageSysteme(r.ErreurTemporaire)));
    return r;
}

QList<TEnrCompagnon> TTraitement::CopierCompagnons(qsizetype i, const QString &dossierCible,
                                                   const QString &cible, const TEnrOptions &options)
{
    const TEnrFichier &image = ListeImages.at(i);
    const QString nomCible = cible.mid(dossierCible.size());
    QList<TEnrCompagnon> copies;
    // A companion's name that is taken is never replaced, nor numbered apart from its image.
    for (const TEnrCompagnon &c : m_compagnons.ACopier(i, dossierCible)) {
        const QString source = image.Dossier + c.Nom;
        const QString nom = NomCompagnon(image.Nom, c, nomCible);
        if (Traiter) {
            CopierUnFichier(source, dossierCible + nom, {}, options, true);
        } else if (Occupe(dossierCible + nom)) { // the line the run will give
            ListeErreurs.append(AvecCause(u"Impossible de copier %1 vers %2"_s.arg(source, dossierCible + nom), EEXIST));
        } else {
            m_prevues.insert(dossierCible + nom);
            copies.append({nom, c.Taille, c.NomEntier});
        }
    }
    return copies;
}

void TTraitement::RenommerImage(qsizetype i, const QString &valeurs, const TEnrOptions &options)
{
    const TEnrFichier &image = ListeImages.at(i);
    const QString ancien = image.Dossier + image.Nom;
    // Renamed by an earlier run with these values: left as it is, in the preview too.
    if (DejaRenomme(image, valeurs, options)) {
        ListeErreurs.append(u"Déjà renommé : %1"_s.arg(ancien));
        return;
    }
    const QString nouveau = CheminRenomme(image, valeurs, options);
    // A companion takes the same prefix as its image, and only once the image has it.
    const QList<TEnrCompagnon> compagnons = m_compagnons.ARenommer(i);
    const auto nouveauNom = [&](const TEnrCompagnon &c) {
        return CheminRenomme(TEnrFichier{image.Dossier, c.Nom, c.Taille, std::nullopt}, valeurs, options);
    };
    if (!Traiter) {
        QList<TEnrCompagnon> apercu;
        for (const TEnrCompagnon &c : compagnons)
            apercu.append({nouveauNom(c).mid(image.Dossier.size()), c.Taille, c.NomEntier});
        AjouterApercu(nouveau, image.Taille, apercu);
        return;
    }
    if (!RenommerUnFichier(ancien, nouveau, options, false))
        return;
    ++NbTraitees;
    TailleTraitee += image.Taille;
    for (const TEnrCompagnon &c : compagnons)
        RenommerUnFichier(image.Dossier + c.Nom, nouveauNom(c), options, true);
}

bool TTraitement::RenommerUnFichier(const QString &ancien, const QString &nouveau, const TEnrOptions &options,
                                    bool compagnon)
{
    // Noted before it is made, confirmed once made: a run killed in between leaves a
    // journal whose undo finds the file under one name or the other.
    m_annulable.Perimetre(options.cDossSrc);
    m_annulable.FichiersAssocies(compagnon);
    m_annulable.AvantRenommage(ancien, nouveau);
    int erreur = 0;
    if (RenommerFichier(ancien, nouveau, &erreur)) {
        m_annulable.Renomme(nouveau);
        return true;
    }
    m_annulable.Abandonnee();
    ListeErreurs.append(AvecCause(u"Impossible de renommer %1 en %2"_s.arg(ancien, nouveau), erreur));
    return false;
}

bool TTraitement::Occupe(const QString &chemin) const
{
    return m_prevues.contains(chemin) || CheminOccupe(chemin);
}

void TTraitement::AjouterApercu(const QString &cible, qint64 taille,
                                const QList<TEnrCompagnon> &compagnons)
{
    const qsizetype barre = cible.lastIndexOf(u'/');
    const QString dossier = cible.left(barre + 1);
    const qsizetype relatif = dossier.size() - DossierBase().size();
    TEnrFichier entree;
    entree.Dossier = u'/' + (relatif > 0 ? dossier.right(relatif) : QString());
    entree.Nom = cible.mid(barre + 1);
    entree.Taille = taille;
    entree.Compagnons = compagnons;
    ListeApercu.append(entree);
}

void TTraitement::MontrerApercu()
{
    TrierListe(ListeApercu);
    // Names shown as text: the bytes of a name that is not UTF-8 as "\xHH".
    for (TEnrFichier &entree : ListeApercu) {
        if (NomAOctetsBruts(entree.Dossier))
            entree.Dossier = NomLisible(entree.Dossier);
        if (NomAOctetsBruts(entree.Nom))
            entree.Nom = NomLisible(entree.Nom);
        for (TEnrCompagnon &c : entree.Compagnons)
            if (NomAOctetsBruts(c.Nom))
                c.Nom = NomLisible(c.Nom);
    }
    m_retour.MontrerApercu(Copie, NomLisible(DossierBase()), ListeApercu, LignesLisibles());
}

QStringList TTraitement::LignesLisibles() const
{
    QStringList lignes;
    lignes.reserve(ListeErreurs.size());
    for (const QString &ligne : ListeErreurs)
        lignes.append(NomLisible(ligne));
    return lignes;
}

bool TTraitement::AvancerLecture()
{
    // Once the run is stopped the scan stops at once, and the list is emptied after it.
    if (m_interrompu)
        return false;
    m_retour.ProgressionAvancer();
    return Continuer();
}

bool TTraitement::Patienter()
{
    if (m_interrompu)
        return false;
    m_retour.Patienter();
    return Continuer();
}

bool TTraitement::Continuer()
{
    if (m_retour.InterruptionDemandee()) {
        m_interrompu = true;
        m_progression.Fermer();
    }
    return !m_interrompu;
}

void TTraitement::TerminerSansSuite()
{
    // Stopped before any change: no log, no preview, no other box.
    m_progression.Fermer();
    ListeImages.clear();
    ListeApercu.clear();
}

void TTraitement::EcrireJournal(const QString &chemin) const
{
    EcrireJournalErreurs(chemin, ListeErreurs);
}

} // namespace

void LancerTraitement(bool traiter, const ISourceOptions &options, IRetourTraitement &retour,
                      TListeImages &listeImages)
{
    TTraitement(traiter, options, retour, listeImages).Executer();
}
