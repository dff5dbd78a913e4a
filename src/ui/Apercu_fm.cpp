#include "ui/Apercu_fm.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controls/Fenetres.h"
#include "controls/Lisibilite.h"
#include "metadata/Nombres.h"
#include "ui/ElementsFenetre.h"
#include "ui/PoliceFormulaire.h"

using namespace Qt::StringLiterals;

namespace {

// As drawn (pixels for Tahoma 8 points), taken at the scale of the window's font.
constexpr QSize kTailleInitiale(599, 400); // outer size, frame included
constexpr QSize kTailleMin(400, 300);
constexpr int kHauteurCommandes = 41;
constexpr int kMarge = 8;
constexpr int kMargeQuitter = 6; // from the right edge of the panel

// Spaces and control characters (codes up to 32) removed at both ends.
QString SansBlancsAuxBouts(const QString &texte)
{
    qsizetype debut = 0, fin = texte.size();
    while (debut < fin && texte.at(debut).unicode() <= 32)
        ++debut;
    while (fin > debut && texte.at(fin - 1).unicode() <= 32)
        --fin;
    return texte.mid(debut, fin - debut);
}

// Appends the lines of the node and its descendants, in tree order.
void LignesArbre(const QTreeWidgetItem *noeud, int niveau, QString &texte)
{
    texte += QString(niveau, u'\t') + noeud->text(0) + u"\r\n"_s;
    for (int i = 0; i < noeud->childCount(); ++i)
        LignesArbre(noeud->child(i), niveau + 1, texte);
}

struct TTotal {
    int nombre = 0;
    qint64 taille = 0;
};

// Counts the files below each folder node and their sizes, at every depth, in one
// post-order walk, and writes them into the folder's text.
TTotal Totaliser(QTreeWidgetItem *noeud)
{
    const QVariant taille = noeud->data(0, TfmApercu::kRoleTaille);
    if (taille.isValid())
        return {1, taille.toLongLong()};
    if (noeud->data(0, TfmApercu::kRoleTailleCompagnon).isValid())
        return {}; // the counts are those of the images
    TTotal total;
    for (int i = 0; i < noeud->childCount(); ++i) {
        const TTotal enfant = Totaliser(noeud->child(i));
        total.nombre += enfant.nombre;
        total.taille += enfant.taille;
    }
    noeud->setText(0, u"%1 : %2 (%3)"_s.arg(noeud->text(0)).arg(total.nombre)
                          .arg(TailleEnTexte(total.taille)));
    return total;
}

// A key of the hash from (parent node, text) to child.
struct TCleNoeud {
    const QTreeWidgetItem *parent;
    QString texte;
    bool operator==(const TCleNoeud &) const = default;
};
size_t qHash(const TCleNoeud &cle, size_t graine = 0)
{
    return qHashMulti(graine, cle.parent, cle.texte);
}

} // namespace

QStringList Decouper(const QString &texte, QChar caractere)
{
    QStringList pieces;
    QString reste = texte;
    for (qsizetype p = reste.indexOf(caractere); p >= 0; p = reste.indexOf(caractere)) {
        pieces.append(reste.left(p));
        reste = SansBlancsAuxBouts(reste.mid(p + 1));
    }
    reste = SansBlancsAuxBouts(reste);
    if (!reste.isEmpty())
        pieces.append(reste);
    return pieces;
}

TfmApercu::TfmApercu(QWidget *parent) : QDialog(parent)
{
    setObjectName(u"fmApercu"_s);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    AppliquerPoliceFenetre(this);
    m_echelle = EchelleDessin(font());
    setMinimumSize(AEchelle(kTailleMin.width(), m_echelle), AEchelle(kTailleMin.height(), m_echelle));
    setSizeGripEnabled(true);

    // Drawn for the palette of the desktop, light or dark; the selected images lie on the
    // selection's colour.
    const QPalette p = palette();
    const QColor selection = p.color(QPalette::Highlight);
    const QPixmap dossierFerme = ImageLisible(u":/apercu/dossier_ferme.svg"_s, p);
    const QPixmap dossierOuvert = ImageLisible(u":/apercu/dossier_ouvert.svg"_s, p, selection);
    const QPixmap page = ImageLisible(u":/apercu/page.svg"_s, p);
    const QPixmap pageSurlignee = ImageLisible(u":/apercu/page_surlignee.svg"_s, p, selection);
    ilApercu = {QIcon(dossierFerme), QIcon(dossierOuvert), QIcon(page), QIcon(pageSurlignee)};
    m_iconeDossier.addPixmap(dossierFerme, QIcon::Normal);
    m_iconeDossier.addPixmap(dossierOuvert, QIcon::Selected);
    m_iconeFichier.addPixmap(page, QIcon::Normal);
    m_iconeFichier.addPixmap(pageSurlignee, QIcon::Selected);

    auto *disposition = new QVBoxLayout(this);
    disposition->setContentsMargins(0, 0, 0, 0);
    disposition->setSpacing(0);

    pcApercu = new QTabWidget(this);
    pcApercu->setObjectName(u"pcApercu"_s);
    pcApercu->setFocusPolicy(Qt::ClickFocus);
    pcApercu->tabBar()->setFocusPolicy(Qt::ClickFocus);

    tsArborescence = new QWidget;
    tsArborescence->setObjectName(u"tsArborescence"_s);
    auto *dispArbre = new QVBoxLayout(tsArborescence);
    dispArbre->setContentsMargins(0, 0, 0, 0);
    tvApercu = new TCadreFocus<QTreeWidget>(tsArborescence);
    tvApercu->setObjectName(u"tvApercu"_s);
    tvApercu->setHeaderHidden(true);
    tvApercu->setColumnCount(1);
    tvApercu->setIndentation(19);
    tvApercu->setIconSize(QSize(16, 16));
    tvApercu->setUniformRowHeights(true);
    tvApercu->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvApercu->setSelectionMode(QAbstractItemView::SingleSelection);
    // A long path scrolls sideways rather than being cut.
    tvApercu->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tvApercu->header()->setStretchLastSection(false);
    SelectionToujoursVisible(tvApercu);
    dispArbre->addWidget(tvApercu);
    pcApercu->addTab(tsArborescence, u"Arborescence"_s);

    tsErreurs = new QWidget;
    tsErreurs->setObjectName(u"tsErreurs"_s);
    auto *dispErreurs = new QVBoxLayout(tsErreurs);
    dispErreurs->setContentsMargins(0, 0, 0, 0);
    mmErreurs = new QPlainTextEdit(tsErreurs);
    mmErreurs->setObjectName(u"mmErreurs"_s);
    mmErreurs->setReadOnly(true);
    mmErreurs->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmErreurs->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmErreurs->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SelectionToujoursVisible(mmErreurs);
    dispErreurs->addWidget(mmErreurs);
    pcApercu->addTab(tsErreurs, u"Erreurs (0)"_s);
    pcApercu->setTabVisible(pcApercu->indexOf(tsErreurs), false);
    pcApercu->setCurrentWidget(tsArborescence);
    disposition->addWidget(pcApercu, 1);

    pnCommandes = new QFrame(this);
    pnCommandes->setObjectName(u"pnCommandes"_s);
    pnCommandes->setFrameShape(QFrame::NoFrame);
    disposition->addWidget(pnCommandes);

    btCopierPP = new QPushButton(IconeLisible(u":/apercu/presse_papiers.svg"_s, p),
                                 u"&Copier vers le presse-papiers"_s, pnCommandes);
    btCopierPP->setObjectName(u"btCopierPP"_s);
    btQuitter = new QPushButton(IconeLisible(u":/boutons/quitter.svg"_s, p), u"&Quitter"_s, pnCommandes);
    btQuitter->setObjectName(u"btQuitter"_s);
    // "&Quitter" keeps its place at the right edge whatever the width.
    auto *commandes = new QHBoxLayout(pnCommandes);
    commandes->setContentsMargins(AEchelle(kMarge, m_echelle), 0, AEchelle(kMargeQuitter, m_echelle), 0);
    commandes->setSpacing(AEchelle(kMarge, m_echelle));
    for (const auto &[bouton, largeur] : {std::pair{btCopierPP, 169}, std::pair{btQuitter, 73}}) {
        bouton->setFocusPolicy(Qt::NoFocus);
        bouton->setAutoDefault(false);
        bouton->setFixedSize(TailleDessin(bouton, {largeur, 25}, m_echelle));
    }
    commandes->addWidget(btCopierPP);
    commandes->addStretch(1);
    commandes->addWidget(btQuitter);
    pnCommandes->setFixedHeight(std::max(AEchelle(kHauteurCommandes, m_echelle),
                                         btQuitter->height() + 2 * AEchelle(kMarge, m_echelle)));

    connect(btCopierPP, &QPushButton::clicked, this, &TfmApercu::btCopierPPClick);
    connect(btQuitter, &QPushButton::clicked, this, &TfmApercu::btQuitterClick);

    resize(TailleInitiale());
}

QSize TfmApercu::TailleInitiale() const
{
    return QSize(AEchelle(kTailleInitiale.width(), m_echelle), AEchelle(kTailleInitiale.height(), m_echelle));
}

QTreeWidgetItem *TfmApercu::NouveauDossier(const QString &texte)
{
    auto *noeud = new QTreeWidgetItem(QStringList{texte});
    noeud->setIcon(0, m_iconeDossier);
    return noeud;
}

void TfmApercu::Remplir(bool copie, const QString &dossierBase, const TListeImages &resultats,
                       const QStringList &erreurs)
{
    {
        TCurseurOccupe curseur;
        tvApercu->setUpdatesEnabled(false);
        tvApercu->clear();

        // The nodes are built outside the tree, then handed to it at once: the view then
        // lays them out once instead of once per node. The hash finds a folder's child of
        // a given text without going through its children.
        QList<QTreeWidgetItem *> racines;
        QHash<TCleNoeud, QTreeWidgetItem *> enfants;
        enfants.reserve(resultats.size() / 4 + 16);
        QString dossierPrecedent;
        QTreeWidgetItem *dernierDossier = nullptr;
        QFont policeCompagnon = tvApercu->font(); // a companion is told from an image
        policeCompagnon.setItalic(true);
        for (const TEnrFichier &entree : resultats) {
            // Entries of one folder follow each other: their folder node is the same.
            if (!dernierDossier || entree.Dossier != dossierPrecedent) {
                QString chemin = entree.Dossier;
                if (chemin.endsWith(u'/'))
                    chemin.chop(1);
                QStringList pieces = Decouper(chemin, u'/');
                if (pieces.isEmpty())
                    pieces.append(QString());
                QTreeWidgetItem *noeud = nullptr;
                for (const QString &piece : std::as_const(pieces)) {
                    QTreeWidgetItem *&trouve = enfants[TCleNoeud{noeud, piece}];
                    if (!trouve) {
                        trouve = NouveauDossier(piece);
                        if (noeud)
                            noeud->addChild(trouve);
                        else
                            racines.append(trouve);
                    }
                    noeud = trouve;
                }
                dernierDossier = noeud;
                dossierPrecedent = entree.Dossier;
            }
            auto *fichier = new QTreeWidgetItem(
                QStringList{u"%1 (%2)"_s.arg(entree.Nom, TailleEnTexte(entree.Taille))});
            fichier->setIcon(0, m_iconeFichier);
            fichier->setData(0, kRoleTaille, QVariant::fromValue<qint64>(entree.Taille));
            dernierDossier->addChild(fichier);
            for (const TEnrCompagnon &c : entree.Compagnons) {
                auto *compagnon = new QTreeWidgetItem(
                    QStringList{u"%1 (%2)"_s.arg(c.Nom, TailleEnTexte(c.Taille))});
                compagnon->setIcon(0, m_iconeFichier);
                compagnon->setData(0, kRoleTailleCompagnon, QVariant::fromValue<qint64>(c.Taille));
                compagnon->setFont(0, policeCompagnon);
                dernierDossier->addChild(compagnon);
            }
        }

        if (!racines.isEmpty())
            racines.first()->setText(0, dossierBase);
        for (QTreeWidgetItem *racine : std::as_const(racines))
            Totaliser(racine);
        tvApercu->addTopLevelItems(racines);
        tvApercu->expandAll();
        if (!racines.isEmpty()) {
            tvApercu->setCurrentItem(racines.first());
            tvApercu->scrollToItem(racines.first());
        }
        tvApercu->setUpdatesEnabled(true);
    }

    setWindowTitle(copie ? u"Aperçu de la copie"_s : u"Aperçu du renommage"_s);

    const int onglet = pcApercu->indexOf(tsErreurs);
    pcApercu->setTabVisible(onglet, !erreurs.isEmpty());
    mmErreurs->setPlainText(erreurs.join(u'\n'));
    if (!erreurs.isEmpty())
        pcApercu->setTabText(onglet, u"Erreurs (%1)"_s.arg(erreurs.size()));
    pcApercu->setCurrentWidget(tsArborescence);
}

QString TfmApercu::TexteCopie() const
{
    QString texte;
    if (pcApercu->currentWidget() == tsArborescence) {
        for (int i = 0; i < tvApercu->topLevelItemCount(); ++i)
            LignesArbre(tvApercu->topLevelItem(i), 0, texte);
        return texte;
    }
    const QString memo = mmErreurs->toPlainText();
    if (memo.isEmpty())
        return texte;
    for (const QString &ligne : memo.split(u'\n'))
        texte += ligne + u"\r\n"_s;
    return texte;
}

void TfmApercu::btCopierPPClick()
{
    QGuiApplication::clipboard()->setText(TexteCopie());
}

void TfmApercu::btQuitterClick()
{
    close();
}

void TfmApercu::showEvent(QShowEvent *evenement)
{
    if (!m_dejaMontre) {
        m_dejaMontre = true;
        // Centred on the window it belongs to, inside the screen; the drawn size is the
        // outer one, with the window manager's frame as it turns out to be.
        const QWidget *proprietaire = parentWidget() ? parentWidget()->window() : nullptr;
        // Never larger than the screen, even at its smallest: its tree scrolls.
        if (const QScreen *ecran = proprietaire ? proprietaire->screen() : screen())
            setMinimumSize(minimumSize().boundedTo(ecran->availableGeometry().size().shrunkBy(CadreFenetre(this))));
        PlacerFenetre(this, {TailleInitiale(), std::nullopt, proprietaire, true});
    }
    QDialog::showEvent(evenement);
}
