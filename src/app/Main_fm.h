// The main window: the source and destination folders, the mode, the order and presence
// of the EXIF fields, the date options and the separators; it starts the runs, which
// read the options from its controls as they stand, and keeps them in the settings file.
#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QPixmap>
#include <QString>
#include <QUrl>
#include <QWidget>

#include "engine/IRetourTraitement.h"
#include "engine/ISourceOptions.h"
#include "engine/TEnrOptions.h"
#include "metadata/TEnrFichier.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TBigIniFile;
class TFolderTreeView;
class TGaugeWindow;

class TfmMainClarvane final : public QWidget, public ISourceOptions, public IRetourTraitement {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfmMainClarvane)

public:
    // Item data of the order tree's nodes: image index, selected-image index and state
    // image (12 absent, 13 present) in ilEXIFOrdre.
    static constexpr int RoleImage = Qt::UserRole + 1;
    static constexpr int RoleImageSelection = Qt::UserRole + 2;
    static constexpr int RoleEtat = Qt::UserRole + 3;

    // Opens the settings file at `cheminReglages` (by default the program's), restores
    // every option and both folders (FormCreate).
    explicit TfmMainClarvane(const QString &cheminReglages, QWidget *parent = nullptr);
    TfmMainClarvane();
    // Writes every option back and saves the settings file (FormDestroy).
    ~TfmMainClarvane() override;

    // ISourceOptions: the controls as they stand now.
    TEnrOptions Options() const override;

    // IRetourTraitement: real boxes (BoiteMessage), the busy cursor, gwTrtLong, the
    // preview window.
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

    // How OuvrirJournal hands a file to the desktop; tests replace it.
    std::function<bool(const QUrl &)> OuvrirUrl;

    // Brings the window to the front (a second start of the program asks for it).
    void MettreAuPremierPlan();

    // A run is going on: btApercu, btTraiter and btQuitter are disabled and the window
    // refuses to close.
    bool TraitementEnCours() const { return m_enCours; }

    // ---- Operations on the controls ----
    void ActiverDate(bool present);
    void MajSeparateurDate();
    void ChargerOptionsDate(const TEnrOptions &options, int composants);
    void ConstruireArbreEXIF();
    QString OrdreDepuisArbre() const;
    void RemplirFormatsDate(QComboBox *liste);
    void AfficherExempleDate();
    bool AuMoinsDeuxComposants() const;
    int NbDonneesPresentes() const { return m_NbDonneesPresentes; }
    // The rectangle of a node's state image, in viewport coordinates.
    QRect RectangleEtat(QTreeWidgetItem *noeud) const;

    // ---- Handlers ----
    void btCopierRenommerClick();
    void cbDatePDVClick(QCheckBox *expediteur);
    void cbDonDatePDVChange();
    void cbDatePDVSepChange();
    void cbDatePDVHierCompoSiCopieClick();
    void tvEXIFOrdreChange(QTreeWidgetItem *noeud);
    void tvEXIFOrdreCollapsing(QTreeWidgetItem *noeud);
    // True when the press toggled a presence.
    bool tvEXIFOrdreMouseDown(Qt::MouseButton bouton, Qt::MouseButtons boutons,
                              Qt::KeyboardModifiers modificateurs, const QPoint &point);
    void btEXIFOrdreMonterDescendreClick(QAbstractButton *expediteur);
    // True when the key was one of the Ctrl shortcuts (it goes on to the control anyway).
    bool FormKeyDown(int touche, Qt::KeyboardModifiers modificateurs);
    void btCreerDossierClick();
    void btApercuClick();
    void btTraiterClick();
    void btQuitterClick();

    // ---- Controls, under their names ----
    QLabel *stSrc;
    TFolderTreeView *tvSrc;
    QPushButton *btLectRecurs;
    QPushButton *btCopier;
    QPushButton *btRenommer;
    QLabel *stEXIFOrdre;
    QTreeWidget *tvEXIFOrdre;
    QPushButton *btEXIFOrdreMonter;
    QPushButton *btEXIFOrdreDescendre;
    QGroupBox *gbDatePDV;
    QCheckBox *cbDatePDV1;
    QComboBox *cbDonDatePDV1;
    QLabel *stDatePDV1;
    QCheckBox *cbDatePDV2;
    QComboBox *cbDonDatePDV2;
    QLabel *stDatePDV2;
    QCheckBox *cbDatePDV3;
    QComboBox *cbDonDatePDV3;
    QLabel *stDatePDVSep;
    QComboBox *cbDatePDVSep;
    QCheckBox *cbDatePDVHierCompoSiCopie;
    QLabel *stDatePDVEx;
    QLabel *stDatePDVDonEx;
    QLabel *stSep;
    QComboBox *cbSep;
    QGroupBox *gbInformation;
    QLabel *stInformation;
    QLabel *stDst;
    QPushButton *btCreerDossier;
    TFolderTreeView *tvDst;
    QPushButton *btApercu;
    QPushButton *btTraiter;
    QPushButton *btQuitter;

    // The 14 images of the order tree: 2k / 2k+1 the field k normal / highlighted,
    // 12 the empty check box, 13 the check box with a green cross.
    QList<QPixmap> ilEXIFOrdre;
    TGaugeWindow *gwTrtLong;

    // The texts of stInformation.
    static QString TexteInformationCopie();
    static QString TexteInformationRenommage();

protected:
    bool eventFilter(QObject *objet, QEvent *evenement) override;
    void closeEvent(QCloseEvent *evenement) override;
    void showEvent(QShowEvent *evenement) override;

private:
    void CreerControles();
    void RelierControles();
    void FormCreate();
    void FormDestroy();
    void RestaurerDossier(TFolderTreeView *arbre, const QString &cle, const QString &dossier);
    void LancerTraitementFenetre(bool traiter);
    void PoserNoeud(QTreeWidgetItem *noeud, int image, int imageSelection, int etat,
                    const QString &legende);
    QList<QTreeWidgetItem *> NoeudsOrdre() const;
    QCheckBox *CaseDate(int n) const;
    QComboBox *FormatDate(int n) const;

    std::unique_ptr<TBigIniFile> Fichier;
    QString cOrdreDonEXIF;
    int m_NbDonneesPresentes = 0;
    TListeImages ListeImages;

    QButtonGroup *m_groupeMode = nullptr;
    bool m_enCours = false;
    int m_curseursOccupes = 0;
    bool m_centree = false;
};
