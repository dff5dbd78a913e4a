// The folder tree on temporary folder trees with fixed volumes, and the volume readers.
#include <tuple>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "LectureSeule.h"
#include "Octets.h"
#include "commun/Chemins.h"
#include "commun/EErreur.h"
#include "commun/NomsFichiers.h"
#include "controls/FolderTreeView.h"
#include "systeme/Volumes.h"

using namespace Qt::StringLiterals;

namespace {

class TFauxVolumes final : public IFournisseurVolumes {
public:
    QList<TVolume> Volumes() const override { return volumes; }
    QString DossierBureau() const override { return bureau; }
    QString DossierDocuments() const override { return documents; }
    QList<TVolume> volumes;
    QString bureau, documents;
};

TVolume Volume(const QString &point, TTypeLecteur type = TTypeLecteur::Fixe, const QString &nom = {},
               quint32 serie = 0)
{
    TVolume v;
    v.PointMontage = point;
    v.Type = type;
    v.Nom = nom;
    v.Serie = serie;
    return v;
}

QStringList Legendes(QTreeWidgetItem *n)
{
    QStringList l;
    for (int i = 0; i < n->childCount(); ++i)
        l << n->child(i)->text(0);
    return l;
}

QTreeWidgetItem *Enfant(QTreeWidgetItem *n, const QString &legende)
{
    for (int i = 0; i < n->childCount(); ++i)
        if (n->child(i)->text(0) == legende)
            return n->child(i);
    return nullptr;
}

QTreeWidgetItem *Racine(QTreeWidgetItem *n)
{
    while (n->parent())
        n = n->parent();
    return n;
}

} // namespace

class TestFolderTreeView : public QObject {
    Q_OBJECT

    // base/ is a volume; base/bureau and base/docs are the shell folders.
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_base;
    TFauxVolumes m_volumes;

    void Creer(const QString &relatif) { QVERIFY(QDir().mkpath(m_base + relatif)); }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_base = m_tmp->path() + u'/';
        Creer(u"bureau/projet/images"_s);
        Creer(u"docs/lettres"_s);
        Creer(u"photos/2006/05"_s);
        Creer(u"photos/2007"_s);
        Creer(u"vide"_s);
        m_volumes = {};
        m_volumes.volumes = {Volume(m_base)};
        m_volumes.bureau = m_base + u"bureau"_s;
        m_volumes.documents = m_base + u"docs/"_s;
    }

    void legendes_data()
    {
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<quint32>("serie");
        QTest::addColumn<QString>("legende");
        QTest::newRow("both halves") << u"/media/anne/EOS_DIGITAL/"_s << u"EOS_DIGITAL"_s << 0x1A2B3C4Du
                                     << u"(/media/anne/EOS_DIGITAL) 1A2B-3C4D - \"EOS_DIGITAL\""_s;
        QTest::newRow("serial, no label") << u"/mnt/carte/"_s << QString() << 0x1A2B3C4Du << u"(/mnt/carte) 1A2B-3C4D"_s;
        QTest::newRow("zero high half") << u"/mnt/carte/"_s << u"CARTE"_s << 0x00003C4Du << u"(/mnt/carte) \"CARTE\""_s;
        QTest::newRow("zero low half") << u"/mnt/carte/"_s << u"CARTE"_s << 0x1A2B0000u << u"(/mnt/carte) \"CARTE\""_s;
        QTest::newRow("no leading zeros") << u"/mnt/c/"_s << u"X"_s << 0x00F00A01u << u"(/mnt/c) F0-A01 - \"X\""_s;
        QTest::newRow("nothing") << u"/home/"_s << QString() << 0u << u"(/home)"_s;
        QTest::newRow("root") << u"/"_s << QString() << 0u << u"(/)"_s;
        QTest::newRow("accented label") << u"/media/été/"_s << u"Vacances été"_s << 0u << u"(/media/été) \"Vacances été\""_s;
    }
    void legendes()
    {
        QFETCH(QString, point);
        QFETCH(QString, nom);
        QFETCH(quint32, serie);
        QFETCH(QString, legende);
        QCOMPARE(DriveCaption(Volume(point, TTypeLecteur::Amovible, nom, serie)), legende);
    }

    void racinesEtIcones()
    {
        m_volumes.volumes = {
            Volume(u"/"_s), Volume(u"/media/anne/EOS_DIGITAL/"_s, TTypeLecteur::Amovible, u"EOS_DIGITAL"_s, 0x1A2B3C4D),
            Volume(u"/mnt/nas/"_s, TTypeLecteur::Reseau), Volume(u"/media/cdrom/"_s, TTypeLecteur::CDROM, u"DISC"_s),
            Volume(u"/tmp/"_s, TTypeLecteur::DisqueRAM)};
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.SetShowShellNodes(true);
        tree.Populate();
        QCOMPARE(tree.topLevelItemCount(), 7);
        const QStringList legendes = {u"Bureau"_s, u"Mes Documents"_s, u"(/)"_s,
                                      u"(/media/anne/EOS_DIGITAL) 1A2B-3C4D - \"EOS_DIGITAL\""_s,
                                      u"(/mnt/nas)"_s, u"(/media/cdrom) \"DISC\""_s, u"(/tmp)"_s};
        const QList<int> images = {TFolderTreeView::ImBureau, TFolderTreeView::ImMesDocuments,
                                   TFolderTreeView::ImDisqueDur, TFolderTreeView::ImAmovible,
                                   TFolderTreeView::ImReseau, TFolderTreeView::ImCDROM, TFolderTreeView::ImRAM};
        const QStringList chemins = {m_base + u"bureau/"_s, m_base + u"docs/"_s, u"/"_s,
                                     u"/media/anne/EOS_DIGITAL/"_s, u"/mnt/nas/"_s, u"/media/cdrom/"_s, u"/tmp/"_s};
        for (int i = 0; i < 7; ++i) {
            QTreeWidgetItem *n = tree.topLevelItem(i);
            QCOMPARE(n->text(0), legendes[i]);
            QCOMPARE(n->data(0, TFolderTreeView::RoleImage).toInt(), images[i]);
            QVERIFY(!n->icon(0).isNull());
            QCOMPARE(TFolderTreeView::Info(n)->Path, chemins[i]);
            QVERIFY(!TFolderTreeView::Info(n)->Loaded);
            // Volumes get their placeholder without being read.
            QCOMPARE(n->childCount(), 1);
            QCOMPARE(n->child(0)->text(0), u"*"_s);
            QVERIFY(!TFolderTreeView::Info(n->child(0)));
        }
        QCOMPARE(tree.DesktopNode(), tree.topLevelItem(0));
        QCOMPARE(tree.DocumentsNode(), tree.topLevelItem(1));
        QCOMPARE(tree.ImageList().size(), 9);
        for (const QIcon &icone : tree.ImageList())
            QVERIFY(!icone.pixmap(16, 16).isNull());

        // Building again does not add the root nodes a second time.
        tree.Populate();
        QCOMPARE(tree.topLevelItemCount(), 7);
    }

    void noeudsShell()
    {
        m_volumes.documents = m_base + u"absent"_s;
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.SetShowShellNodes(true);
        tree.Populate();
        QCOMPARE(tree.topLevelItemCount(), 2);
        QVERIFY(tree.DesktopNode());
        QVERIFY(!tree.DocumentsNode());

        TFolderTreeView sans(nullptr, &m_volumes);
        QVERIFY(!sans.ShowShellNodes());
        sans.Populate();
        QCOMPARE(sans.topLevelItemCount(), 1);
        QVERIFY(!sans.DesktopNode());
        // Without the shell nodes a desktop folder is reached through its volume.
        sans.SetSelectedPath(m_base + u"bureau/projet"_s);
        QCOMPARE(sans.SelectedPath(), m_base + u"bureau/projet/"_s);
        QCOMPARE(Racine(sans.currentItem()), sans.topLevelItem(0));
    }

    void chargement()
    {
        Creer(u"photos/.cache/x"_s);
        Creer(u"photos/Été"_s);
        Creer(u"photos/apres"_s);
        Creer(u"photos/Zoo"_s);
        Creer(u"photos/avant"_s);
        QFile fichier(m_base + u"photos/image.jpg"_s);
        QVERIFY(fichier.open(QIODevice::WriteOnly));
        fichier.close();
        QVERIFY(QFile::link(m_base + u"docs"_s, m_base + u"photos/lien"_s));

        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        QTreeWidgetItem *volume = tree.topLevelItem(0);
        volume->setExpanded(true);
        QVERIFY(TFolderTreeView::Info(volume)->Loaded);
        QCOMPARE(Legendes(volume), (QStringList{u"bureau"_s, u"docs"_s, u"photos"_s, u"vide"_s}));
        QTreeWidgetItem *photos = volume->child(2);
        QTreeWidgetItem *vide = volume->child(3);
        QCOMPARE(photos->childCount(), 1);
        QCOMPARE(vide->childCount(), 0); // no expand button
        QCOMPARE(TFolderTreeView::Info(photos)->Path, m_base + u"photos/"_s);

        tree.expandItem(photos);
        QVERIFY(photos->isExpanded());
        const QStringList enfants = Legendes(photos);
        QCOMPARE(enfants.size(), 7); // no .cache, no file, the link to a folder listed
        QVERIFY(enfants.contains(u"lien"_s));
        QVERIFY(!enfants.contains(u".cache"_s));
        for (int i = 1; i < enfants.size(); ++i)
            QVERIFY2(QString::localeAwareCompare(enfants[i - 1], enfants[i]) <= 0, qPrintable(enfants.join(u' ')));
        // 2006 has a sub-folder, 2007 none; the link leads to docs, which has one.
        QCOMPARE(photos->child(enfants.indexOf(u"2006"_s))->childCount(), 1);
        QCOMPARE(photos->child(enfants.indexOf(u"2007"_s))->childCount(), 0);
        QCOMPARE(photos->child(enfants.indexOf(u"lien"_s))->childCount(), 1);

        // A volume without folders loses its expand button on first expansion.
        QTemporaryDir videVolume;
        m_volumes.volumes = {Volume(videVolume.path() + u'/')};
        tree.Populate();
        QCOMPARE(tree.topLevelItem(0)->childCount(), 1);
        tree.topLevelItem(0)->setExpanded(true);
        QCOMPARE(tree.topLevelItem(0)->childCount(), 0);
        QVERIFY(TFolderTreeView::Info(tree.topLevelItem(0))->Loaded);

        // An unreadable volume expands to nothing.
        m_volumes.volumes = {Volume(m_base + u"absent/"_s)};
        tree.Populate();
        tree.topLevelItem(0)->setExpanded(true);
        QCOMPARE(tree.topLevelItem(0)->childCount(), 0);
    }

    void deploiementAuClavier()
    {
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.setCurrentItem(tree.topLevelItem(0));
        QTest::keyClick(tree.viewport(), Qt::Key_Right);
        QTRY_VERIFY(tree.topLevelItem(0)->isExpanded());
        QCOMPARE(tree.topLevelItem(0)->childCount(), 4);
        // "*" opens one level, not the whole disk below.
        tree.setCurrentItem(tree.topLevelItem(0)->child(2));
        QTest::keyClick(tree.viewport(), Qt::Key_Asterisk);
        QTreeWidgetItem *photos = tree.topLevelItem(0)->child(2);
        QVERIFY(photos->isExpanded());
        QVERIFY(!TFolderTreeView::Info(photos->child(0))->Loaded);

        // A click on the expand button of 2006 reads it.
        QTreeWidgetItem *annee = photos->child(0);
        const QRect r = tree.visualItemRect(annee);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(r.left() - tree.indentation() / 2, r.center().y()));
        QTRY_VERIFY(annee->isExpanded());
        QVERIFY(TFolderTreeView::Info(annee)->Loaded);
        QCOMPARE(Legendes(annee), QStringList{u"05"_s});
    }

    void cheminChoisi_data()
    {
        QTest::addColumn<QString>("demande");
        QTest::addColumn<QString>("attendu");
        QTest::addColumn<int>("racine"); // 0 Bureau, 1 Mes Documents, 2 the volume
        QTest::newRow("with /") << u"photos/2006/05/"_s << u"photos/2006/05/"_s << 2;
        QTest::newRow("without /") << u"photos/2006/05"_s << u"photos/2006/05/"_s << 2;
        QTest::newRow("doubled /") << u"photos//2006/./05"_s << u"photos/2006/05/"_s << 2;
        QTest::newRow("volume itself") << QString() << QString() << 2;
        QTest::newRow("inside desktop") << u"bureau/projet/images"_s << u"bureau/projet/images/"_s << 0;
        QTest::newRow("desktop itself") << u"bureau"_s << u"bureau/"_s << 0;
        QTest::newRow("inside documents") << u"docs/lettres/"_s << u"docs/lettres/"_s << 1;
        QTest::newRow("dot folder stops") << u"photos/.cache/x"_s << u"photos/"_s << 2;
    }
    void cheminChoisi()
    {
        QFETCH(QString, demande);
        QFETCH(QString, attendu);
        QFETCH(int, racine);
        Creer(u"photos/.cache/x"_s);
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.SetShowShellNodes(true);
        tree.Populate();
        tree.SetSelectedPath(m_base + demande);
        QCOMPARE(tree.SelectedPath(), m_base + attendu);
        QCOMPARE(Racine(tree.currentItem()), tree.topLevelItem(racine));
        for (QTreeWidgetItem *p = tree.currentItem()->parent(); p; p = p->parent())
            QVERIFY(p->isExpanded());
    }

    void cheminExact()
    {
        Creer(u"Photos/Anne"_s);
        Creer(u"photos/anne"_s);
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        tree.SetSelectedPath(m_base + u"Photos/Anne"_s);
        QCOMPARE(tree.SelectedPath(), m_base + u"Photos/Anne/"_s);
        tree.SetSelectedPath(m_base + u"photos/anne"_s);
        QCOMPARE(tree.SelectedPath(), m_base + u"photos/anne/"_s);
        QVERIFY_THROWS_EXCEPTION(EErreur, tree.SetSelectedPath(m_base + u"PHOTOS/ANNE"_s));
    }

    void volumeLePlusLong()
    {
        m_volumes.volumes = {Volume(u"/"_s), Volume(m_base + u"photos/"_s, TTypeLecteur::Amovible)};
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        tree.SetSelectedPath(m_base + u"photos/2006"_s);
        QCOMPARE(Racine(tree.currentItem()), tree.topLevelItem(1));
        QCOMPARE(tree.currentItem()->parent(), tree.topLevelItem(1));
        // The root volume was never read for it.
        QVERIFY(!TFolderTreeView::Info(tree.topLevelItem(0))->Loaded);
    }

    void cheminInchange()
    {
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        // "" without a selection: nothing, no error.
        tree.SetSelectedPath(QString());
        QVERIFY(tree.selectedItems().isEmpty());

        tree.SetSelectedPath(m_base + u"photos/2007"_s);
        QTreeWidgetItem *choisi = tree.currentItem();
        QVERIFY(QDir(m_base + u"photos/2007"_s).removeRecursively());
        // The current path is not looked for again, with or without its "/".
        tree.SetSelectedPath(m_base + u"photos/2007/"_s);
        tree.SetSelectedPath(m_base + u"photos/2007"_s);
        QCOMPARE(tree.currentItem(), choisi);

        const auto refus = [&](const QString &chemin) {
            try {
                tree.SetSelectedPath(chemin);
                QFAIL(qPrintable(u"no error for "_s + chemin));
            } catch (const EErreur &e) {
                QCOMPARE(e.Message(), u"Chemin non trouvé."_s);
            }
            QCOMPARE(tree.currentItem(), choisi);
            QCOMPARE(tree.SelectedPath(), m_base + u"photos/2007/"_s);
        };
        refus(m_base + u"absent"_s);
        refus(QString());
        refus(u"photos"_s); // relative
        refus(m_base + u"photos/2006/05/../../2007"_s);

        // An existing folder under no root node: nothing selected, nothing raised.
        QTemporaryDir ailleurs;
        tree.SetSelectedPath(ailleurs.path());
        QCOMPARE(tree.currentItem(), choisi);
    }

    void creerSousDossier()
    {
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        QVERIFY(!tree.CreateSubFolder(u"x"_s)); // no selection
        tree.SetSelectedPath(m_base + u"photos"_s);
        QTreeWidgetItem *photos = tree.currentItem();

        QVERIFY(tree.CreateSubFolder(u"2006"_s));
        QCOMPARE(tree.SelectedPath(), m_base + u"photos/2006/"_s);

        tree.SetSelectedPath(m_base + u"photos"_s);
        QVERIFY(tree.CreateSubFolder(u"  Nouveau  "_s));
        QCOMPARE(tree.SelectedPath(), m_base + u"photos/Nouveau/"_s);

        tree.SetSelectedPath(m_base + u"photos"_s);
        QVERIFY(tree.CreateSubFolder(u".x"_s));
        QVERIFY(QFileInfo(m_base + u"photos/.x"_s).isDir());
        QCOMPARE(tree.SelectedPath(), m_base + u"photos/"_s);

        QVERIFY(tree.CreateSubFolder(u"a/b"_s));
        QVERIFY(QFileInfo(m_base + u"photos/a/b"_s).isDir());
        QCOMPARE(tree.SelectedPath(), m_base + u"photos/a/b/"_s);
        QCOMPARE(tree.currentItem()->parent()->parent(), photos);
        QStringList enfants = Legendes(photos);
        enfants.sort();
        QCOMPARE(enfants, (QStringList{u"2006"_s, u"2007"_s, u"Nouveau"_s, u"a"_s}));

        // A name that climbs out of the selected folder is refused, nothing is made.
        tree.SetSelectedPath(m_base + u"photos/2007"_s);
        QVERIFY(!tree.CreateSubFolder(u"../../evade"_s));
        QVERIFY(!QFileInfo::exists(m_base + u"evade"_s));
        QVERIFY(!tree.CreateSubFolder(u"   "_s));
        QCOMPARE(tree.SelectedPath(), m_base + u"photos/2007/"_s);
    }

    // Folders deeper than PATH_MAX, with names that are not UTF-8: selected, listed,
    // refreshed and created in like any other.
    void cheminsLongs()
    {
        QByteArray profond = NomEnOctets(m_base) + "long/";
        for (int niveau = 0; niveau < 17; ++niveau)
            profond += QByteArray(240, char('a' + niveau)) + "\xE9/";
        QVERIFY(profond.size() > 4096);
        QVERIFY(CreerDossiers(profond + "fin/dernier"));
        const QString chemin = NomDepuisOctets(profond);
        QVERIFY(HasSubFolders(chemin));

        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        tree.SetSelectedPath(chemin);
        QCOMPARE(tree.SelectedPath(), chemin);
        QTreeWidgetItem *noeud = tree.currentItem();
        QCOMPARE(noeud->text(0), NomLisible(NomDepuisOctets(QByteArray(240, 'q') + "\xE9")));
        QCOMPARE(noeud->childCount(), 1); // "fin", not read yet
        noeud->setExpanded(true);
        QCOMPARE(Legendes(noeud), QStringList{u"fin"_s});
        QCOMPARE(noeud->child(0)->childCount(), 1); // "fin" holds "dernier"

        QVERIFY(tree.CreateSubFolder(u"neuf/plus bas"_s));
        QVERIFY(EstDossier(profond + "neuf/plus bas"));
        QCOMPARE(tree.SelectedPath(), chemin + u"neuf/plus bas/"_s);
        tree.SetSelectedPath(chemin);
        tree.RefreshSelected();
        QCOMPARE(Legendes(tree.currentItem()), (QStringList{u"fin"_s, u"neuf"_s}));
        SupprimerArbre(NomEnOctets(m_base) + "long/");
    }

    void creerSousDossierRefuse()
    {
        TDossierLectureSeule ro;
        if (!ro.Valide())
            QSKIP(qPrintable(ro.Pourquoi()));
        m_volumes.volumes = {Volume(ro.Chemin())};
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        tree.setCurrentItem(tree.topLevelItem(0));
        QVERIFY(!tree.CreateSubFolder(u"nouveau"_s));
        QCOMPARE(tree.SelectedPath(), ro.Chemin());
    }

    void rafraichir()
    {
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        QVERIFY(!tree.RefreshAction()->isEnabled());
        QCOMPARE(tree.RefreshAction()->text(), u"&Rafraîchir"_s);
        QCOMPARE(tree.RefreshAction()->shortcut(), QKeySequence(Qt::Key_F5));
        QCOMPARE(tree.RefreshMenu()->actions(), QList<QAction *>{tree.RefreshAction()});

        tree.SetSelectedPath(m_base + u"photos"_s);
        QVERIFY(tree.RefreshAction()->isEnabled());
        QTreeWidgetItem *photos = tree.currentItem();
        tree.expandItem(photos);
        QCOMPARE(photos->childCount(), 2);
        Creer(u"photos/2008/01"_s);
        QCOMPARE(photos->childCount(), 2); // never reloaded behind the user's back
        tree.RefreshAction()->trigger();
        QCOMPARE(Legendes(photos), (QStringList{u"2006"_s, u"2007"_s, u"2008"_s}));
        QCOMPARE(photos->child(2)->childCount(), 1);
        QVERIFY(!photos->isExpanded());

        // F5 on the focused tree.
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.activateWindow();
        tree.setFocus();
        Creer(u"photos/2009"_s);
        QTest::keyClick(&tree, Qt::Key_F5);
        QCOMPARE(photos->childCount(), 4);

        // A volume's caption is read again: another card in the same reader.
        tree.setCurrentItem(tree.topLevelItem(0));
        m_volumes.volumes = {Volume(m_base, TTypeLecteur::Amovible, u"CARTE2"_s, 0x12345678)};
        tree.RefreshSelected();
        QCOMPARE(tree.topLevelItem(0)->text(0), DriveCaption(m_volumes.volumes[0]));
        QCOMPARE(tree.topLevelItem(0)->childCount(), 4);
    }

    // After a run: new folders show in the expanded nodes, removed ones go, and the user
    // finds the tree as left: the same nodes expanded, the same folder selected.
    void rafraichirDeplies()
    {
        Creer(u"photos/2006/06"_s);
        Creer(u"photos/2007/01"_s);
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        tree.SetSelectedPath(m_base + u"photos/2006/05"_s);
        QTreeWidgetItem *photos = tree.currentItem()->parent()->parent();
        QVERIFY(photos->isExpanded());
        QVERIFY(photos->child(0)->isExpanded()); // 2006
        QVERIFY(!photos->child(1)->isExpanded()); // 2007, never opened
        QSignalSpy selections(&tree, &QTreeWidget::itemSelectionChanged);

        Creer(u"photos/2006/07"_s);       // in an expanded node
        Creer(u"photos/Canon EOS 40D/2008"_s); // a new branch, with sub-folders
        Creer(u"vide/nouveau"_s);         // under a node the user never expanded
        QVERIFY(QDir(m_base + u"photos/2006/06"_s).removeRecursively());
        QCOMPARE(Legendes(photos->child(0)), (QStringList{u"05"_s, u"06"_s}));

        tree.RafraichirDeplies();
        QCOMPARE(tree.SelectedPath(), m_base + u"photos/2006/05/"_s);
        QCOMPARE(selections.size(), 0);
        photos = tree.currentItem()->parent()->parent();
        QCOMPARE(TFolderTreeView::Info(photos)->Path, m_base + u"photos/"_s);
        QCOMPARE(Legendes(photos), (QStringList{u"2006"_s, u"2007"_s, u"Canon EOS 40D"_s}));
        QVERIFY(photos->isExpanded());
        QTreeWidgetItem *annee = photos->child(0);
        QVERIFY(annee->isExpanded());
        QCOMPARE(Legendes(annee), (QStringList{u"05"_s, u"07"_s}));
        QVERIFY(!photos->child(1)->isExpanded());
        // The new branch has its expand button and reads its folders when opened.
        QTreeWidgetItem *canon = photos->child(2);
        QCOMPARE(canon->childCount(), 1);
        QVERIFY(!TFolderTreeView::Info(canon)->Loaded);
        tree.expandItem(canon);
        QCOMPARE(Legendes(canon), QStringList{u"2008"_s});
        // A node never opened, under an expanded one, gets an expand button for its new
        // folder, and stays collapsed.
        QTreeWidgetItem *racine = tree.topLevelItem(0);
        QVERIFY(racine->isExpanded());
        QTreeWidgetItem *vide = Enfant(racine, u"vide"_s);
        QVERIFY(vide);
        QCOMPARE(vide->childCount(), 1);
        QVERIFY(!vide->isExpanded());

        // The selected folder removed: no selection, rather than another folder chosen.
        QVERIFY(QDir(m_base + u"photos/2006/05"_s).removeRecursively());
        tree.RafraichirDeplies();
        QCOMPARE(tree.SelectedPath(), QString());
        QCOMPARE(selections.size(), 1);
        QVERIFY(!tree.RefreshAction()->isEnabled());
        QCOMPARE(Legendes(photos = Enfant(racine, u"photos"_s)), (QStringList{u"2006"_s, u"2007"_s, u"Canon EOS 40D"_s}));
        QCOMPARE(Legendes(photos->child(0)), QStringList{u"07"_s});

        // An empty tree, or one without selection, is left as it is.
        TFolderTreeView vierge(nullptr, &m_volumes);
        vierge.RafraichirDeplies();
        QCOMPARE(vierge.topLevelItemCount(), 0);
    }

    // The selection inside a node the user collapsed afterwards stays selected, and the
    // node stays collapsed.
    void rafraichirSelectionRepliee()
    {
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.Populate();
        tree.SetSelectedPath(m_base + u"photos/2006/05"_s);
        QTreeWidgetItem *photos = tree.currentItem()->parent()->parent();
        // Shown, where selecting a node scrolls to it and would open its branch.
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.collapseItem(photos);
        Creer(u"photos/2010"_s);
        tree.RafraichirDeplies();
        QCOMPARE(tree.SelectedPath(), m_base + u"photos/2006/05/"_s);
        photos = tree.currentItem()->parent()->parent();
        QVERIFY(!photos->isExpanded());
        QCOMPARE(Legendes(photos), (QStringList{u"2006"_s, u"2007"_s, u"2010"_s}));
    }

    void hint()
    {
        TFolderTreeView tree(nullptr, &m_volumes);
        tree.resize(300, 400);
        tree.Populate();
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.SetSelectedPath(m_base + u"photos"_s);
        QTreeWidgetItem *photos = tree.currentItem();
        QTest::mouseMove(tree.viewport(), tree.visualItemRect(photos).center());
        QTRY_COMPARE(tree.toolTip(), m_base + u"photos/"_s);
        QTest::mouseMove(tree.viewport(), tree.visualItemRect(tree.topLevelItem(0)).center());
        QTRY_COMPARE(tree.toolTip(), m_base);
        QTest::mouseMove(tree.viewport(), QPoint(10, tree.viewport()->height() - 5));
        QTRY_COMPARE(tree.toolTip(), QString());
    }
};

QTEST_MAIN(TestFolderTreeView)
#include "tst_foldertreeview.moc"
