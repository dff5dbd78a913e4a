// The main window: the source and destination folders, the mode, the order and presence
// of the EXIF fields, the date options and the separators; it starts the runs, which
// read the options from its controls as they stand, and keeps them in the settings file.
// Its controls are reached by their names (objectName), as in the settings file.
#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QUrl>
#include <QWidget>

#include "engine/TEnrOptions.h"
#include "metadata/TEnrFichier.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;
class IOperationsCopie;
class QShortcut;
class TAdaptateurTraitement;
class TArbreOrdre;
class TBigIniFile;
class TCase;
class TPageDefilante;
class TFolderTreeView;

class TfmMainClarvane : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmMainClarvane)

public:
    // Opens the settings file at `cheminReglages` (by default the program's), restores
    // every option and both folders.
    explicit TfmMainClarvane(const QString &cheminReglages, QWidget *parent = nullptr);
    TfmMainClarvane();
    // Writes every option back and saves the settings file.
    ~TfmMainClarvane() override;

    // The options as the controls show them now: what a run reads, image by image.
    TEnrOptions Options() const;

    // How the error log is handed to the desktop (OuvrirTexteAvecBureau); when it returns
    // false the log is shown in a window of the program. Tests replace it.
    std::function<bool(const QUrl &)> OuvrirUrl;
    // The calls that move the copies' data in the runs (null: the real ones). Tests set
    // one that fails at a chosen step; it must outlive the runs.
    void DefinirOperationsCopie(IOperationsCopie *operations);

    // Brings the window to the front (a second start of the program asks for it).
    void MettreAuPremierPlan();

    // A run is going on: btApercu, btTraiter and btQuitter are disabled and the window
    // refuses to close.
    bool TraitementEnCours() const { return m_enCours; }

    // The texts of stInformation.
    static QString TexteInformationCopie();
    static QString TexteInformationRenommage();

protected:
    void closeEvent(QCloseEvent *evenement) override;
    void changeEvent(QEvent *evenement) override;
    void showEvent(QShowEvent *evenement) override;
    bool event(QEvent *evenement) override;

private:
    void CreerControles();
    // The names that assistive tools give the controls whose caption says too little.
    void NommerPourAssistance();
    // The layouts, from the drawn dimensions at the scale of the window's font.
    void Disposer();
    // stInformation on its own (false) or in a box that scrolls: the widget to lay out.
    QWidget *DefilerInformation(bool defile);
    // The scale of the drawn dimensions in the layout: the font's, or 1 when tight.
    double EchelleDisposition() const;
    // The smallest size at which every text fits.
    QSize MinimumPage() const;
    // The window's minimum: MinimumPage, or its screen where that is smaller.
    void AjusterMinimum();
    // The height of the order tree that shows `champs` fields.
    int HauteurChampsOrdre(int champs) const;
    // The size and place the user gave the window (GENERAL keys), or the drawn size
    // centred; always inside the screen. At the first show.
    void RestaurerGeometrie();
    // Writes them back, when the window has been shown.
    void SauverGeometrie();
    void RelierControles();
    void ChargerOptions();
    void ChargerOptionsDate(const TEnrOptions &options);
    void RestaurerDossier(TFolderTreeView *arbre, const QString &dossier);
    // Every enabled state and the information text, from the options as they stand.
    void MajEtats();
    void AfficherExempleDate();
    void cbDatePDVClick(QCheckBox *expediteur);
    // The window's keys, as shortcuts of the window: Ctrl+C, Ctrl+R, Ctrl+L as a click on
    // their button; Ctrl+Z outside a run; Escape during a run that may be stopped.
    void CreerRaccourcis();
    // Which of those keys count now (a run going on or not).
    void MajRaccourcis();
    void btCreerDossierClick();
    void LancerTraitementFenetre(bool traiter);
    // Ctrl+Z: asks, then takes back the last processing run as its journal tells.
    void AnnulerDernierTraitement();
    // Runs `travail` as a run: the buttons off, the window kept open, the pop-up and the
    // cursor put back however it ends; a run that changes files (`modifie`) leaves the
    // folder trees read again. `interruptible`: Escape may stop it.
    void ExecuterTraitement(bool interruptible, bool modifie, const std::function<void()> &travail);
    QCheckBox *CaseDate(int n) const;
    QComboBox *FormatDate(int n) const;

    QLabel *stSrc = nullptr;
    TFolderTreeView *tvSrc = nullptr;
    QPushButton *btLectRecurs = nullptr;
    QPushButton *btCopier = nullptr;
    QPushButton *btRenommer = nullptr;
    QLabel *stEXIFOrdre = nullptr;
    TArbreOrdre *tvEXIFOrdre = nullptr;
    QPushButton *btEXIFOrdreMonter = nullptr;
    QPushButton *btEXIFOrdreDescendre = nullptr;
    QGroupBox *gbDatePDV = nullptr;
    QCheckBox *cbDatePDV1 = nullptr;
    QComboBox *cbDonDatePDV1 = nullptr;
    QLabel *stDatePDV1 = nullptr;
    QCheckBox *cbDatePDV2 = nullptr;
    QComboBox *cbDonDatePDV2 = nullptr;
    QLabel *stDatePDV2 = nullptr;
    QCheckBox *cbDatePDV3 = nullptr;
    QComboBox *cbDonDatePDV3 = nullptr;
    QLabel *stDatePDVSep = nullptr;
    QComboBox *cbDatePDVSep = nullptr;
    TCase *cbDatePDVHierCompoSiCopie = nullptr;
    QLabel *stDatePDVEx = nullptr;
    QLabel *stDatePDVDonEx = nullptr;
    QLabel *stSep = nullptr;
    QComboBox *cbSep = nullptr;
    QGroupBox *gbInformation = nullptr;
    QLabel *stInformation = nullptr;
    QLabel *stDst = nullptr;
    QPushButton *btCreerDossier = nullptr;
    TFolderTreeView *tvDst = nullptr;
    QPushButton *btApercu = nullptr;
    QPushButton *btTraiter = nullptr;
    QPushButton *btQuitter = nullptr;

    QWidget *m_page = nullptr;           // holds every control
    int m_hauteurInformation = 0;        // what the longer information text needs
    int m_hauteurInformationDessin = 0;  // as drawn, or that when it needs more
    TPageDefilante *m_defilement = nullptr; // around m_page
    QScrollArea *m_defilementInformation = nullptr; // around stInformation, tight only
    // How closely the controls are laid out, from the roomiest: as drawn at the scale of
    // the font; tight, the drawing's own pixels (a screen too small for that); folded,
    // tight with the long check box's caption and the destination's heading on two lines.
    enum class TDensite { Dessin, Serre, Replie };
    TDensite m_densite = TDensite::Dessin;
    std::unique_ptr<TBigIniFile> Fichier;
    // The options as the settings file gave them: the keys that have no control
    // (lFormatsEtendus...) go from here into every run's options.
    TEnrOptions m_reglages;
    std::unique_ptr<TAdaptateurTraitement> m_adaptateur;
    TListeImages ListeImages;
    QButtonGroup *m_groupeMode = nullptr;
    QShortcut *m_raccourciInterrompre = nullptr;
    QShortcut *m_raccourciAnnuler = nullptr;
    bool m_enCours = false;
    bool m_interruptible = false;
    bool m_placee = false;
};
