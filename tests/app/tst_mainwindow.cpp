// The main window driven as a user would: its state at first start, the mode, the date
// components, the order tree, the keyboard, folder creation, runs, and the settings kept
// between two openings.
#include <functional>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "ConstructeurEXIF.h"
#include "LectureSeule.h"
#include "app/BoiteMessage.h"
#include "app/Main_fm.h"
#include "commun/Dossiers.h"
#include "controls/FolderTreeView.h"
#include "engine/OptionsNommage.h"
#include "ui/Apercu_fm.h"
#include "ui/ArbreOrdre.h"
#include "ui/SaisieChaine_fm.h"

using namespace Qt::StringLiterals;

namespace {
QStringList Legendes(QTreeWidget *arbre)
{
    QStringList legendes;
    for (QTreeWidgetItem *n = arbre->topLevelItem(0); n; n = n->childCount() ? n->child(0) : nullptr)
        legendes << n->text(0);
    return legendes;
}

QTreeWidgetItem *Noeud(QTreeWidget *arbre, const QString &legende)
{
    for (QTreeWidgetItem *n = arbre->topLevelItem(0); n; n = n->childCount() ? n->child(0) : nullptr)
        if (n->text(0) == legende)
            return n;
    return nullptr;
}

int Etat(QTreeWidgetItem *noeud)
{
    return noeud->data(0, TArbreOrdre::RoleEtat).toInt();
}

QString SansEsperluette(QString texte)
{
    return texte.remove(u'&');
}

// Runs `reponse` on the first modal window of type T that opens (it may open only after
// the events that a run lets through), then stops looking.
template <typename T>
void QuandModale(QObject *contexte, std::function<void(T *)> reponse)
{
    auto *minuterie = new QTimer(contexte);
    auto essais = std::make_shared<int>(0);
    QObject::connect(minuterie, &QTimer::timeout, contexte, [minuterie, essais, reponse] {
        if (auto *w = qobject_cast<T *>(QApplication::activeModalWidget())) {
            minuterie->stop();
            minuterie->deleteLater();
            reponse(w);
        } else if (++*essais > 1000) {
            minuterie->stop();
            minuterie->deleteLater();
        }
    });
    minuterie->start(10);
}

// The window with its controls found by their names, as a user's tools would find them.
class TFenetre final : public TfmMainClarvane {
public:
    explicit TFenetre(const QString &reglages) : TfmMainClarvane(reglages) {}

    template <typename T>
    T *C(const char *nom) const
    {
        T *w = findChild<T *>(QString::fromLatin1(nom));
        if (!w)
            qFatal("no control %s", nom);
        return w;
    }
    QLabel *stSrc = C<QLabel>("stSrc");
    TFolderTreeView *tvSrc = C<TFolderTreeView>("tvSrc");
    QPushButton *btLectRecurs = C<QPushButton>("btLectRecurs");
    QPushButton *btCopier = C<QPushButton>("btCopier");
    QPushButton *btRenommer = C<QPushButton>("btRenommer");
    TArbreOrdre *tvEXIFOrdre = C<TArbreOrdre>("tvEXIFOrdre");
    QPushButton *btEXIFOrdreMonter = C<QPushButton>("btEXIFOrdreMonter");
    QPushButton *btEXIFOrdreDescendre = C<QPushButton>("btEXIFOrdreDescendre");
    QGroupBox *gbDatePDV = C<QGroupBox>("gbDatePDV");
    QCheckBox *cbDatePDV1 = C<QCheckBox>("cbDatePDV1");
    QComboBox *cbDonDatePDV1 = C<QComboBox>("cbDonDatePDV1");
    QCheckBox *cbDatePDV2 = C<QCheckBox>("cbDatePDV2");
    QComboBox *cbDonDatePDV2 = C<QComboBox>("cbDonDatePDV2");
    QCheckBox *cbDatePDV3 = C<QCheckBox>("cbDatePDV3");
    QComboBox *cbDonDatePDV3 = C<QComboBox>("cbDonDatePDV3");
    QLabel *stDatePDVSep = C<QLabel>("stDatePDVSep");
    QComboBox *cbDatePDVSep = C<QComboBox>("cbDatePDVSep");
    QCheckBox *cbDatePDVHierCompoSiCopie = C<QCheckBox>("cbDatePDVHierCompoSiCopie");
    QLabel *stDatePDVEx = C<QLabel>("stDatePDVEx");
    QLabel *stDatePDVDonEx = C<QLabel>("stDatePDVDonEx");
    QLabel *stSep = C<QLabel>("stSep");
    QComboBox *cbSep = C<QComboBox>("cbSep");
    QLabel *stInformation = C<QLabel>("stInformation");
    QLabel *stDst = C<QLabel>("stDst");
    QPushButton *btCreerDossier = C<QPushButton>("btCreerDossier");
    TFolderTreeView *tvDst = C<TFolderTreeView>("tvDst");
    QPushButton *btApercu = C<QPushButton>("btApercu");
    QPushButton *btTraiter = C<QPushButton>("btTraiter");
    QPushButton *btQuitter = C<QPushButton>("btQuitter");

    QString OrdreDepuisArbre() const { return tvEXIFOrdre->Code(); }
    int NbDonneesPresentes() const { return tvEXIFOrdre->NbPresents(); }
    QRect RectangleEtat(QTreeWidgetItem *noeud) const { return tvEXIFOrdre->RectangleEtat(noeud); }
};
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dossier;
    QString m_reglages;

    std::unique_ptr<TFenetre> Ouvrir()
    {
        auto fm = std::make_unique<TFenetre>(m_reglages);
        fm->show();
        if (!QTest::qWaitForWindowExposed(fm.get()))
            return nullptr;
        return fm;
    }
    void EcrireReglages(const QByteArray &texte)
    {
        QFile f(m_reglages);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(texte);
    }
    QStringList LignesReglages()
    {
        QFile f(m_reglages);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
    }
    void CliquerEtat(TFenetre &fm, const QString &legende, Qt::KeyboardModifiers m = {})
    {
        QTreeWidgetItem *n = Noeud(fm.tvEXIFOrdre, legende);
        QVERIFY(n);
        QTest::mouseClick(fm.tvEXIFOrdre->viewport(), Qt::LeftButton, m, fm.RectangleEtat(n).center());
    }
    static void Cliquer(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }

    void init()
    {
        m_dossier = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dossier->isValid());
        m_reglages = m_dossier->filePath(u"Clarvane.ini"_s);
        BoiteMessage::Reinitialiser();
    }

    void cleanup()
    {
        // No box may have been answered that a test did not expect.
        QVERIFY2(BoiteMessage::Historique().isEmpty(), qPrintable(BoiteMessage::Historique().join(u'|')));
    }

    void premierDemarrage()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        QCOMPARE(fm->windowTitle(), u"Copie, Renommage selon les données EXIFs"_s);
        QCOMPARE(fm->size(), QSize(888, 506));
        QCOMPARE(fm->minimumSize(), fm->maximumSize());
        QVERIFY(!fm->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(fm->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

        QVERIFY(fm->btCopier->isChecked());
        QVERIFY(!fm->btRenommer->isChecked());
        QVERIFY(!fm->btLectRecurs->isChecked());
        QCOMPARE(fm->stInformation->text(), TfmMainClarvane::TexteInformationCopie());

        QCOMPARE(Legendes(fm->tvEXIFOrdre),
                 QStringList({u"Appareil"_s, u"Focale"_s, u"Vitesse"_s, u"Diaphragme"_s,
                              u"Date (prise de vue)"_s, u"ISO"_s}));
        for (const QString &l : Legendes(fm->tvEXIFOrdre))
            QCOMPARE(Etat(Noeud(fm->tvEXIFOrdre, l)), l == u"Date (prise de vue)"_s ? 13 : 12);
        QCOMPARE(fm->NbDonneesPresentes(), 1);
        QCOMPARE(fm->OrdreDepuisArbre(), u"afvdPi"_s);
        QCOMPARE(fm->tvEXIFOrdre->currentItem(), fm->tvEXIFOrdre->topLevelItem(0));
        QVERIFY(!fm->btEXIFOrdreMonter->isEnabled());
        QVERIFY(fm->btEXIFOrdreDescendre->isEnabled());

        QCOMPARE(fm->gbDatePDV->title(), u"Contenu/format de la Date (prise de vue)"_s);
        for (QCheckBox *c : {fm->cbDatePDV1, fm->cbDatePDV2, fm->cbDatePDV3}) {
            QVERIFY(c->isChecked());
            QVERIFY(c->isEnabled());
        }
        QCOMPARE(fm->cbDonDatePDV1->currentIndex(), 0);
        QCOMPARE(fm->cbDonDatePDV2->currentIndex(), 2);
        QCOMPARE(fm->cbDonDatePDV3->currentIndex(), 5);
        QCOMPARE(fm->cbDonDatePDV1->count(), 8);
        QCOMPARE(fm->cbDatePDVSep->currentIndex(), 0);
        QCOMPARE(fm->cbDatePDVSep->currentText(), u"<Aucun>"_s);
        QVERIFY(fm->cbDatePDVHierCompoSiCopie->isChecked());
        QVERIFY(fm->cbDatePDVHierCompoSiCopie->isEnabled());
        QVERIFY(!fm->cbDatePDVSep->isEnabled());
        QVERIFY(!fm->stDatePDVSep->isEnabled());
        QCOMPARE(fm->stDatePDVDonEx->text(), QDate::currentDate().toString(u"yyMMdd"_s));

        QVERIFY(!fm->stSep->isEnabled());
        QVERIFY(!fm->cbSep->isEnabled());
        QCOMPARE(fm->cbSep->currentText(), u"- (tiret)"_s);
        QCOMPARE(fm->cbSep->count(), 5);

        QCOMPARE(fm->tvSrc->SelectedPath(), DossierProgramme());
        QCOMPARE(fm->tvDst->SelectedPath(), DossierProgramme());
        QVERIFY(fm->tvSrc->ShowShellNodes());
        QVERIFY(fm->tvDst->isEnabled());
        QVERIFY(fm->btCreerDossier->isEnabled());
        QCOMPARE(fm->btEXIFOrdreMonter->toolTip(), u"Monter d'un niveau la donnée"_s);
        QCOMPARE(fm->btEXIFOrdreDescendre->toolTip(), u"Descendre d'un niveau la donnée"_s);
    }

    // The controls with a caption, and the caption each must show whole.
    void textesEntiers_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("texte");
        const auto ligne = [](const char *nom, const QString &texte) {
            QTest::newRow(nom) << QString::fromLatin1(nom) << texte;
        };
        ligne("stSrc", u"&Source"_s);
        ligne("btLectRecurs", u"&lecture récursive"_s);
        ligne("btCopier", u"&Copier"_s);
        ligne("btRenommer", u"&Renommer"_s);
        ligne("stEXIFOrdre", u"&Ordre/présence des données EXIF"_s);
        ligne("stDatePDV1", u"+"_s);
        ligne("stDatePDV2", u"+"_s);
        ligne("stDatePDVSep", u"Séparateur"_s);
        ligne("cbDatePDVHierCompoSiCopie", u"Hiérarchiser les composants de la date lors de la copie"_s);
        ligne("stDatePDVEx", u"Exemple"_s);
        ligne("stSep", u"Séparateur des données EXIF"_s);
        ligne("stDst", u"&Destination"_s);
        ligne("btCreerDossier", u"Créer un dossier..."_s);
        ligne("btApercu", u"&Aperçu"_s);
        ligne("btTraiter", u"&Traiter"_s);
        ligne("btQuitter", u"&Quitter"_s);
    }
    void textesEntiers()
    {
        QFETCH(QString, nom);
        QFETCH(QString, texte);
        auto fm = Ouvrir();
        QVERIFY(fm);
        auto *w = fm->findChild<QWidget *>(nom);
        QVERIFY(w);
        // The room the text has: the control's contents, less its picture or box.
        int place = w->contentsRect().width();
        if (auto *b = qobject_cast<QPushButton *>(w)) {
            QCOMPARE(b->text(), texte);
            QVERIFY(!b->icon().isNull());
            place -= b->iconSize().width() + 12; // picture, spacing and frame
        } else if (auto *c = qobject_cast<QCheckBox *>(w)) {
            QCOMPARE(c->text(), texte);
            place -= 22; // the box
        } else if (auto *l = qobject_cast<QLabel *>(w)) {
            QCOMPARE(l->text(), texte);
        }
        const int largeur = w->fontMetrics().horizontalAdvance(SansEsperluette(texte));
        QVERIFY2(largeur <= place, qPrintable(u"%1 px for %2 px"_s.arg(largeur).arg(place)));
        QVERIFY(w->fontMetrics().height() <= std::max(13, w->contentsRect().height()));
    }

    void controlesSansChevauchement()
    {
        // Within the window and within each group, no two controls share a pixel, and
        // each lies inside its parent.
        auto fm = Ouvrir();
        QVERIFY(fm);
        QList<QWidget *> parents = {fm.get()};
        parents << fm->gbDatePDV << fm->findChild<QGroupBox *>(u"gbInformation"_s);
        int controles = 0;
        for (QWidget *parent : parents) {
            QList<QWidget *> enfants;
            for (QWidget *w : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                if (!w->isWindow() && w->isVisible() && !w->objectName().isEmpty())
                    enfants << w;
            for (int i = 0; i < enfants.size(); ++i) {
                QVERIFY2(parent->rect().contains(enfants[i]->geometry()), qPrintable(enfants[i]->objectName()));
                for (int j = i + 1; j < enfants.size(); ++j)
                    QVERIFY2(!enfants[i]->geometry().intersects(enfants[j]->geometry()),
                             qPrintable(enfants[i]->objectName() + u" / "_s + enfants[j]->objectName()));
            }
            controles += enfants.size();
        }
        QCOMPARE(controles, 33); // every named control was looked at
    }

    void informationEntiere()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        for (const QString &texte : {TfmMainClarvane::TexteInformationCopie(), TfmMainClarvane::TexteInformationRenommage()}) {
            fm->stInformation->setText(texte);
            const QRect zone = fm->stInformation->contentsRect();
            const QRect besoin = fm->stInformation->fontMetrics().boundingRect(zone, Qt::TextWordWrap | Qt::AlignTop, texte);
            QVERIFY2(besoin.height() <= zone.height(), qPrintable(u"%1 of %2"_s.arg(besoin.height()).arg(zone.height())));
        }
    }

    void modeRenommer()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        Cliquer(fm->btRenommer);
        QVERIFY(fm->btRenommer->isChecked());
        QVERIFY(!fm->btCopier->isChecked());
        QVERIFY(!fm->tvDst->isEnabled());
        QVERIFY(!fm->stDst->isEnabled());
        QVERIFY(!fm->btCreerDossier->isEnabled());
        QVERIFY(fm->stSep->isEnabled());
        QVERIFY(fm->cbSep->isEnabled());
        QVERIFY(!fm->cbDatePDVHierCompoSiCopie->isEnabled());
        QVERIFY(fm->cbDatePDVHierCompoSiCopie->isChecked());
        QVERIFY(fm->cbDatePDVSep->isEnabled());
        QVERIFY(fm->stDatePDVSep->isEnabled());
        QCOMPARE(fm->stInformation->text(), TfmMainClarvane::TexteInformationRenommage());
        QVERIFY(!fm->Options().lCopier);
        // A mode button that is down stays down when clicked again.
        Cliquer(fm->btRenommer);
        QVERIFY(fm->btRenommer->isChecked());
        Cliquer(fm->btCopier);
        QVERIFY(fm->tvDst->isEnabled());
        QVERIFY(!fm->cbDatePDVSep->isEnabled());
    }

    void composantsJusquaUn()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        Cliquer(fm->cbDatePDV1);
        QVERIFY(!fm->cbDonDatePDV1->isEnabled());
        // Two left: the hierarchy still applies, the date separator stays off.
        QVERIFY(fm->cbDatePDVHierCompoSiCopie->isEnabled());
        QVERIFY(!fm->cbDatePDVSep->isEnabled());
        QCOMPARE(fm->stDatePDVDonEx->text(), QDate::currentDate().toString(u"MMdd"_s));
        Cliquer(fm->cbDatePDV2);
        QVERIFY(!fm->cbDatePDVHierCompoSiCopie->isEnabled());
        QVERIFY(fm->cbDatePDVHierCompoSiCopie->isChecked());
        QVERIFY(fm->cbDatePDVSep->isEnabled());
        QVERIFY(fm->stDatePDVSep->isEnabled());
        for (int fois = 0; fois < 3; ++fois) { // every click on the last one is refused
            Cliquer(fm->cbDatePDV3);
            QVERIFY(fm->cbDatePDV3->isChecked());
            QVERIFY(fm->cbDonDatePDV3->isEnabled());
        }
        QCOMPARE(fm->Options().nCFDatePDVC, 1);
        QCOMPARE(fm->stDatePDVDonEx->text(), QDate::currentDate().toString(u"dd"_s));
        // Checking a second one enables the hierarchy again.
        Cliquer(fm->cbDatePDV1);
        QVERIFY(fm->cbDatePDVHierCompoSiCopie->isEnabled());
        QVERIFY(!fm->cbDatePDVSep->isEnabled());
    }

    void separateurDateChoisi()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        Cliquer(fm->cbDatePDVHierCompoSiCopie); // unchecked: the separator is used
        QVERIFY(fm->cbDatePDVSep->isEnabled());
        fm->cbDatePDVSep->setCurrentIndex(2);
        Q_EMIT fm->cbDatePDVSep->activated(2);
        QCOMPARE(fm->stDatePDVDonEx->text(), QDate::currentDate().toString(u"yy-MM-dd"_s));
        QVERIFY(fm->stDatePDVDonEx->width() >= fm->stDatePDVDonEx->fontMetrics().horizontalAdvance(fm->stDatePDVDonEx->text()));
    }

    void seulPresentReste()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        CliquerEtat(*fm, u"Date (prise de vue)"_s);
        QCOMPARE(Etat(Noeud(fm->tvEXIFOrdre, u"Date (prise de vue)"_s)), 13);
        QCOMPARE(fm->NbDonneesPresentes(), 1);
        QVERIFY(fm->cbDatePDV1->isEnabled());
    }

    void dateAbsenteDesactiveGroupe()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        CliquerEtat(*fm, u"Appareil"_s);
        QCOMPARE(fm->NbDonneesPresentes(), 2);
        CliquerEtat(*fm, u"Date (prise de vue)"_s);
        QCOMPARE(Etat(Noeud(fm->tvEXIFOrdre, u"Date (prise de vue)"_s)), 12);
        QCOMPARE(fm->OrdreDepuisArbre(), u"Afvdpi"_s);
        for (QWidget *w : std::initializer_list<QWidget *>{
                 fm->cbDatePDV1, fm->cbDatePDV2, fm->cbDatePDV3, fm->cbDonDatePDV1, fm->cbDonDatePDV2,
                 fm->cbDonDatePDV3, fm->cbDatePDVSep, fm->stDatePDVSep, fm->stDatePDVEx,
                 fm->stDatePDVDonEx, fm->cbDatePDVHierCompoSiCopie})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        // The mode change keeps it so.
        Cliquer(fm->btRenommer);
        QVERIFY(!fm->cbDatePDVSep->isEnabled());
        Cliquer(fm->btCopier);
        CliquerEtat(*fm, u"Date (prise de vue)"_s);
        for (QWidget *w : std::initializer_list<QWidget *>{
                 fm->cbDatePDV1, fm->cbDatePDV2, fm->cbDatePDV3, fm->cbDonDatePDV1, fm->cbDonDatePDV2,
                 fm->cbDonDatePDV3, fm->stDatePDVEx, fm->stDatePDVDonEx, fm->cbDatePDVHierCompoSiCopie})
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(!fm->cbDatePDVSep->isEnabled()); // the hierarchy is in force
    }

    // A component unchecked while the date is absent stays off when the date returns.
    void dateRevientAvecSesComposants()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        Cliquer(fm->cbDatePDV2);
        CliquerEtat(*fm, u"ISO"_s);
        CliquerEtat(*fm, u"Date (prise de vue)"_s);
        CliquerEtat(*fm, u"Date (prise de vue)"_s);
        QVERIFY(fm->cbDonDatePDV1->isEnabled());
        QVERIFY(!fm->cbDonDatePDV2->isEnabled());
        QVERIFY(fm->cbDonDatePDV3->isEnabled());
    }

    void isoVersLeHaut()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        CliquerEtat(*fm, u"ISO"_s);
        QTreeWidgetItem *iso = Noeud(fm->tvEXIFOrdre, u"ISO"_s);
        QTest::mouseClick(fm->tvEXIFOrdre->viewport(), Qt::LeftButton, {},
                          fm->tvEXIFOrdre->visualItemRect(iso).center() + QPoint(40, 0));
        QCOMPARE(fm->tvEXIFOrdre->currentItem(), iso);
        QVERIFY(!fm->btEXIFOrdreDescendre->isEnabled());
        const QStringList attendus = {u"afvdIP"_s, u"afvIdP"_s, u"afIvdP"_s, u"aIfvdP"_s, u"IafvdP"_s};
        for (const QString &attendu : attendus) {
            QVERIFY(fm->btEXIFOrdreMonter->isEnabled());
            Cliquer(fm->btEXIFOrdreMonter);
            QCOMPARE(fm->tvEXIFOrdre->currentItem()->text(0), u"ISO"_s);
            QCOMPARE(fm->OrdreDepuisArbre(), attendu);
            QVERIFY(fm->btEXIFOrdreDescendre->isEnabled());
        }
        QCOMPARE(fm->tvEXIFOrdre->currentItem(), fm->tvEXIFOrdre->topLevelItem(0));
        QVERIFY(!fm->btEXIFOrdreMonter->isEnabled());
        // The field travels with its caption (its icons are drawn from it).
        QTreeWidgetItem *haut = fm->tvEXIFOrdre->topLevelItem(0);
        QCOMPARE(haut->data(0, TArbreOrdre::RoleChamp).toInt(), kIndexISO);
        QCOMPARE(fm->tvEXIFOrdre->Noeud(kIndexISO), haut);
        Cliquer(fm->btEXIFOrdreDescendre);
        QCOMPARE(fm->OrdreDepuisArbre(), u"aIfvdP"_s);
    }

    void clavierArbreOrdre()
    {
        // Space and Ctrl+Up in the window's order tree act as a click on the box and the
        // up arrow do, the date group following the date's presence.
        auto fm = Ouvrir();
        QVERIFY(fm);
        fm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fm.get()));
        fm->tvEXIFOrdre->setFocus();
        fm->tvEXIFOrdre->setCurrentItem(fm->tvEXIFOrdre->Noeud(kIndexDate));
        QTest::keyClick(fm->tvEXIFOrdre, Qt::Key_Space); // the last present field stays
        QCOMPARE(fm->OrdreDepuisArbre(), u"afvdPi"_s);
        fm->tvEXIFOrdre->setCurrentItem(fm->tvEXIFOrdre->Noeud(kIndexFocale));
        QTest::keyClick(fm->tvEXIFOrdre, Qt::Key_Space);
        fm->tvEXIFOrdre->setCurrentItem(fm->tvEXIFOrdre->Noeud(kIndexDate));
        QTest::keyClick(fm->tvEXIFOrdre, Qt::Key_Space);
        QCOMPARE(fm->OrdreDepuisArbre(), u"aFvdpi"_s);
        QVERIFY(!fm->cbDatePDV1->isEnabled());
        QTest::keyClick(fm->tvEXIFOrdre, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(fm->OrdreDepuisArbre(), u"aFvpdi"_s);
        QVERIFY(fm->btEXIFOrdreMonter->isEnabled());
        QVERIFY(fm->btEXIFOrdreDescendre->isEnabled());
    }

    void clicsSansEffet_data()
    {
        QTest::addColumn<int>("decalage"); // from the state image's centre
        QTest::addColumn<int>("modificateurs");
        QTest::addColumn<int>("bouton");
        QTest::newRow("légende") << 45 << 0 << int(Qt::LeftButton);
        QTest::newRow("icône") << 19 << 0 << int(Qt::LeftButton);
        QTest::newRow("Ctrl-clic") << 0 << int(Qt::ControlModifier) << int(Qt::LeftButton);
        QTest::newRow("Maj-clic") << 0 << int(Qt::ShiftModifier) << int(Qt::LeftButton);
        QTest::newRow("Alt-clic") << 0 << int(Qt::AltModifier) << int(Qt::LeftButton);
        QTest::newRow("clic droit") << 0 << 0 << int(Qt::RightButton);
    }
    void clicsSansEffet()
    {
        QFETCH(int, decalage);
        QFETCH(int, modificateurs);
        QFETCH(int, bouton);
        auto fm = Ouvrir();
        QVERIFY(fm);
        QTreeWidgetItem *focale = Noeud(fm->tvEXIFOrdre, u"Focale"_s);
        const QPoint point = fm->RectangleEtat(focale).center() + QPoint(decalage, 0);
        QTest::mouseClick(fm->tvEXIFOrdre->viewport(), Qt::MouseButton(bouton),
                          Qt::KeyboardModifiers(modificateurs), point);
        QCOMPARE(Etat(focale), 12);
        QCOMPARE(fm->OrdreDepuisArbre(), u"afvdPi"_s);
        QCOMPARE(fm->NbDonneesPresentes(), 1);
    }

    // A double click is one click on the box, not two.
    void doubleClicUneFois()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        QTreeWidgetItem *focale = Noeud(fm->tvEXIFOrdre, u"Focale"_s);
        // As the window system delivers it: a click, then the second press as a double click.
        const QPoint point = fm->RectangleEtat(focale).center();
        QTest::mouseClick(fm->tvEXIFOrdre->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(fm->tvEXIFOrdre->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseRelease(fm->tvEXIFOrdre->viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(Etat(focale), 13);
        QVERIFY(focale->parent()->isExpanded());
    }

    void chaineToujoursOuverte()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        fm->tvEXIFOrdre->collapseItem(fm->tvEXIFOrdre->topLevelItem(0));
        fm->tvEXIFOrdre->collapseItem(Noeud(fm->tvEXIFOrdre, u"Vitesse"_s));
        for (QTreeWidgetItem *n = fm->tvEXIFOrdre->topLevelItem(0); n->childCount(); n = n->child(0))
            QVERIFY(n->isExpanded());
        fm->tvEXIFOrdre->setCurrentItem(fm->tvEXIFOrdre->topLevelItem(0));
        fm->tvEXIFOrdre->setFocus();
        QTest::keyClick(fm->tvEXIFOrdre, Qt::Key_Left);
        QVERIFY(fm->tvEXIFOrdre->topLevelItem(0)->isExpanded());
    }

    void raccourcis_data()
    {
        QTest::addColumn<int>("touche");
        QTest::addColumn<int>("modificateurs");
        QTest::addColumn<bool>("copier");
        QTest::addColumn<bool>("recursif");
        QTest::newRow("Ctrl+R") << int(Qt::Key_R) << int(Qt::ControlModifier) << false << false;
        QTest::newRow("Ctrl+C reste") << int(Qt::Key_C) << int(Qt::ControlModifier) << true << false;
        QTest::newRow("Ctrl+L") << int(Qt::Key_L) << int(Qt::ControlModifier) << true << true;
        QTest::newRow("Ctrl+Maj+L") << int(Qt::Key_L) << int(Qt::ControlModifier | Qt::ShiftModifier) << true << false;
        QTest::newRow("Ctrl+Alt+R") << int(Qt::Key_R) << int(Qt::ControlModifier | Qt::AltModifier) << true << false;
        QTest::newRow("L seul") << int(Qt::Key_L) << 0 << true << false;
        // The underlined letters click the toggles, as in every window.
        QTest::newRow("Alt+R") << int(Qt::Key_R) << int(Qt::AltModifier) << false << false;
        QTest::newRow("Alt+C reste") << int(Qt::Key_C) << int(Qt::AltModifier) << true << false;
        QTest::newRow("Alt+L") << int(Qt::Key_L) << int(Qt::AltModifier) << true << true;
        QTest::newRow("Alt+Maj+L") << int(Qt::Key_L) << int(Qt::AltModifier | Qt::ShiftModifier) << true << false;
    }
    void raccourcis()
    {
        QFETCH(int, touche);
        QFETCH(int, modificateurs);
        QFETCH(bool, copier);
        QFETCH(bool, recursif);
        auto fm = Ouvrir();
        QVERIFY(fm);
        fm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fm.get()));
        fm->tvSrc->setFocus();
        QTRY_VERIFY(fm->tvSrc->hasFocus());
        QTest::keyClick(fm->tvSrc, Qt::Key(touche), Qt::KeyboardModifiers(modificateurs));
        // An accelerator shows the button pressed for a moment, then clicks it.
        QTRY_VERIFY(!fm->btCopier->isDown() && !fm->btRenommer->isDown() && !fm->btLectRecurs->isDown());
        QCOMPARE(fm->btCopier->isChecked(), copier);
        QCOMPARE(fm->btRenommer->isChecked(), !copier);
        QCOMPARE(fm->btLectRecurs->isChecked(), recursif);
        QCOMPARE(fm->tvDst->isEnabled(), copier); // the mode's refresh ran
        QCOMPARE(fm->stInformation->text(), copier ? TfmMainClarvane::TexteInformationCopie()
                                                   : TfmMainClarvane::TexteInformationRenommage());
    }

    // Every underlined letter and every key of the window leads to one control or action:
    // two of them on one key would make Qt ask which one instead of acting.
    void touchesUniques()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        QMap<QString, QString> vues;
        auto noter = [&](const QKeySequence &touche, const QString &qui) {
            if (touche.isEmpty())
                return;
            const QString texte = touche.toString(QKeySequence::PortableText);
            QVERIFY2(!vues.contains(texte), qPrintable(texte + u": "_s + vues.value(texte) + u", "_s + qui));
            vues.insert(texte, qui);
        };
        for (QAbstractButton *b : fm->findChildren<QAbstractButton *>())
            noter(QKeySequence::mnemonic(b->text()), b->objectName());
        for (QLabel *l : fm->findChildren<QLabel *>())
            if (l->buddy())
                noter(QKeySequence::mnemonic(l->text()), l->objectName());
        for (QShortcut *r : fm->findChildren<QShortcut *>())
            noter(r->key(), u"raccourci"_s);
        for (const char *attendue : {"Alt+C", "Alt+R", "Alt+L", "Alt+S", "Alt+O", "Alt+D", "Alt+A", "Alt+T",
                                     "Alt+Q", "Ctrl+C", "Ctrl+R", "Ctrl+L", "Ctrl+Z", "Esc"})
            QVERIFY2(vues.contains(QString::fromLatin1(attendue)), attendue);
    }

    void ctrlRetourEnCopie()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        fm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fm.get()));
        // Wherever the focus is: here in a drop-down of the date group.
        fm->cbDonDatePDV2->setFocus();
        QTRY_VERIFY(fm->cbDonDatePDV2->hasFocus());
        QTest::keyClick(fm->cbDonDatePDV2, Qt::Key_R, Qt::ControlModifier);
        QVERIFY(fm->btRenommer->isChecked());
        QTest::keyClick(fm->cbDonDatePDV2, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(fm->btCopier->isChecked());
        QVERIFY(fm->tvDst->isEnabled());
        QTest::keyClick(fm->cbDonDatePDV2, Qt::Key_L, Qt::ControlModifier);
        QTest::keyClick(fm->cbDonDatePDV2, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(!fm->btLectRecurs->isChecked());
    }

    void etiquettesDonnentLeFocus()
    {
        auto fm = Ouvrir();
        QVERIFY(fm);
        fm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fm.get()));
        QTest::keyClick(fm.get(), Qt::Key_O, Qt::AltModifier);
        QTRY_VERIFY(fm->tvEXIFOrdre->hasFocus());
        QTest::keyClick(fm.get(), Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY(fm->tvDst->hasFocus());
        QTest::keyClick(fm.get(), Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(fm->tvSrc->hasFocus());
    }

    void composantsStockes_data()
    {
        QTest::addColumn<QByteArray>("valeur");
        QTest::addColumn<QList<bool>>("coches");
        QTest::newRow("0") << QByteArray("0") << QList<bool>{false, false, true};
        QTest::newRow("5") << QByteArray("5") << QList<bool>{true, false, true};
        QTest::newRow("2") << QByteArray("2") << QList<bool>{false, true, false};
        QTest::newRow("hors liste") << QByteArray("12") << QList<bool>{true, true, true};
    }
    void composantsStockes()
    {
        QFETCH(QByteArray, valeur);
        QFETCH(QList<bool>, coches);
        EcrireReglages("[GENERAL]\r\nnCFDatePDVC=" + valeur + "\r\n");
        auto fm = Ouvrir();
        QVERIFY(fm);
        QCOMPARE(fm->cbDatePDV1->isChecked(), coches[0]);
        QCOMPARE(fm->cbDatePDV2->isChecked(), coches[1]);
        QCOMPARE(fm->cbDatePDV3->isChecked(), coches[2]);
        QCOMPARE(fm->cbDonDatePDV1->isEnabled(), coches[0]);
        QCOMPARE(fm->cbDonDatePDV2->isEnabled(), coches[1]);
    }

    void ordreStocke_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QString>("lu");
        QTest::addColumn<bool>("date");
        QTest::newRow("tout") << QByteArray("IPDVFA") << u"IPDVFA"_s << true;
        QTest::newRow("focale seule") << QByteArray("aFvdpi") << u"aFvdpi"_s << false;
        QTest::newRow("aucun présent") << QByteArray("afvdpi") << u"afvdPi"_s << true;
        QTest::newRow("lettre étrangère") << QByteArray("AFVDPX") << u"afvdPi"_s << true;
    }
    void ordreStocke()
    {
        QFETCH(QByteArray, code);
        QFETCH(QString, lu);
        QFETCH(bool, date);
        EcrireReglages("[GENERAL]\r\ncOrdreDonEXIF=" + code + "\r\n");
        auto fm = Ouvrir();
        QVERIFY(fm);
        QCOMPARE(fm->OrdreDepuisArbre(), lu);
        QCOMPARE(fm->NbDonneesPresentes(), int(std::count_if(lu.begin(), lu.end(), [](QChar c) { return c.isUpper(); })));
        QCOMPARE(fm->cbDatePDV1->isEnabled(), date);
        QCOMPARE(fm->cbDonDatePDV1->isEnabled(), date);
    }

    void dossiersStockes()
    {
        EcrireReglages("[GENERAL]\r\ncDossSrc=/dossier/qui/n/existe/plus/\r\ncDossDst=\r\n");
        {
            auto fm = Ouvrir();
            QVERIFY(fm);
            QCOMPARE(fm->tvSrc->SelectedPath(), DossierProgramme());
            QCOMPARE(fm->tvDst->SelectedPath(), QString());
            QVERIFY(!QApplication::activeModalWidget());
        }
        const QStringList lignes = LignesReglages();
        QVERIFY(lignes.contains(u"cDossDst="_s));
        QVERIFY(lignes.contains(u"cDossSrc="_s + DossierProgramme()));
    }

    void toutRetrouve()
    {
        QTemporaryDir photos;
        QVERIFY(QDir(photos.path()).mkpath(u"source/2006"_s) && QDir(photos.path()).mkpath(u"cible"_s));
        const QString source = photos.filePath(u"source/2006/"_s);
        const QString cible = photos.filePath(u"cible/"_s);
        {
            auto fm = Ouvrir();
            QVERIFY(fm);
            fm->tvSrc->SetSelectedPath(source);
            fm->tvDst->SetSelectedPath(cible);
            Cliquer(fm->btLectRecurs);
            CliquerEtat(*fm, u"Appareil"_s);
            fm->tvEXIFOrdre->setCurrentItem(Noeud(fm->tvEXIFOrdre, u"ISO"_s));
            Cliquer(fm->btEXIFOrdreMonter);
            Cliquer(fm->cbDatePDV2);
            fm->cbDonDatePDV1->setCurrentIndex(1);
            fm->cbDonDatePDV3->setCurrentIndex(7);
            Cliquer(fm->cbDatePDVHierCompoSiCopie);
            fm->cbDatePDVSep->setCurrentIndex(3);
            Cliquer(fm->btRenommer);
            fm->cbSep->setCurrentIndex(4);
            const TEnrOptions o = fm->Options();
            QCOMPARE(o.cOrdreDonEXIF, u"AfvdiP"_s);
            QCOMPARE(o.nCFDatePDVC, 5);
            QCOMPARE(o.nCFDatePDVF, 127);
            Cliquer(fm->btQuitter);
            QVERIFY(!fm->isVisible());
        }
        QCOMPARE(LignesReglages(),
                 QStringList({u"[GENERAL]"_s, u"cDossSrc="_s + source, u"lLectRecurs=1"_s,
                              u"cDossDst="_s + cible, u"lCopier=0"_s, u"cOrdreDonEXIF=AfvdiP"_s,
                              u"nCFDatePDVC=5"_s, u"nCFDatePDVF=127"_s, u"nDatePDVSep=3"_s,
                              u"lDatePDVHierCompoSiCopie=0"_s, u"nSep=4"_s}));
        auto fm = Ouvrir();
        QVERIFY(fm);
        QCOMPARE(fm->tvSrc->SelectedPath(), source);
        QCOMPARE(fm->tvDst->SelectedPath(), cible);
        QVERIFY(fm->btLectRecurs->isChecked());
        QVERIFY(fm->btRenommer->isChecked());
        QVERIFY(!fm->tvDst->isEnabled());
        QCOMPARE(fm->OrdreDepuisArbre(), u"AfvdiP"_s);
        QCOMPARE(fm->NbDonneesPresentes(), 2);
        QVERIFY(fm->cbDatePDV1->isChecked() && !fm->cbDatePDV2->isChecked() && fm->cbDatePDV3->isChecked());
        QCOMPARE(fm->cbDonDatePDV1->currentIndex(), 1);
        QCOMPARE(fm->cbDonDatePDV2->currentIndex(), 2);
        QCOMPARE(fm->cbDonDatePDV3->currentIndex(), 7);
        QCOMPARE(fm->cbDatePDVSep->currentIndex(), 3);
        QVERIFY(!fm->cbDatePDVHierCompoSiCopie->isChecked());
        QCOMPARE(fm->cbSep->currentIndex(), 4);
        QVERIFY(fm->cbSep->isEnabled());
    }

    void autresLignesGardees()
    {
        EcrireReglages("; mes notes\r\n[AUTRE]\r\nx=1\r\n[GENERAL]\r\nnSep=3\r\n");
        Ouvrir().reset();
        const QStringList lignes = LignesReglages();
        QCOMPARE(lignes.mid(0, 3), QStringList({u"; mes notes"_s, u"[AUTRE]"_s, u"x=1"_s}));
        QVERIFY(lignes.contains(u"nSep=3"_s));
        QCOMPARE(lignes.size(), 3 + 1 + 10);
    }

    void creerDossier_data()
    {
        QTest::addColumn<QString>("saisie");
        QTest::addColumn<QString>("cree");
        QTest::newRow("blancs autour") << u"  Vacances  "_s << u"Vacances/"_s;
        QTest::newRow("deux niveaux") << u"a/b"_s << u"a/b/"_s;
    }
    void creerDossier()
    {
        QFETCH(QString, saisie);
        QFETCH(QString, cree);
        QTemporaryDir cible;
        auto fm = Ouvrir();
        QVERIFY(fm);
        fm->tvDst->SetSelectedPath(cible.path());
        bool vu = false;
        QuandModale<TfmSaisieChaine>(this, [&](TfmSaisieChaine *fs) {
            vu = fs->windowTitle() == u"Saisie"_s && fs->stLabel->text() == u"Nom du dossier à créer"_s;
            QTest::keyClicks(fs->edSaisie, saisie);
            QTest::mouseClick(fs->btOK, Qt::LeftButton);
        });
        Cliquer(fm->btCreerDossier);
        QVERIFY(vu);
        QCOMPARE(fm->tvDst->SelectedPath(), cible.path() + u'/' + cree);
        QVERIFY(QFileInfo(cible.path() + u'/' + cree).isDir());
        QVERIFY(fm->findChildren<TfmSaisieChaine *>().isEmpty()); // freed
    }

    void creerDossierAnnule()
    {
        QTemporaryDir cible;
        auto fm = Ouvrir();
        QVERIFY(fm);
        fm->tvDst->SetSelectedPath(cible.path());
        QuandModale<TfmSaisieChaine>(this, [](TfmSaisieChaine *fs) {
            fs->edSaisie->setText(u"x"_s);
            QTest::keyClick(fs->edSaisie, Qt::Key_Escape);
        });
        Cliquer(fm->btCreerDossier);
        QVERIFY(QDir(cible.path()).isEmpty());
        QCOMPARE(fm->tvDst->SelectedPath(), cible.path() + u'/');
    }

    void creerDossierImpossible()
    {
        TDossierLectureSeule lectureSeule;
        if (!lectureSeule.Valide())
            QSKIP(qPrintable(lectureSeule.Pourquoi()));
        auto fm = Ouvrir();
        QVERIFY(fm);
        fm->tvDst->SetSelectedPath(lectureSeule.Chemin());
        QuandModale<TfmSaisieChaine>(this, [](TfmSaisieChaine *fs) {
            fs->edSaisie->setText(u" Refusé "_s);
            QTest::mouseClick(fs->btOK, Qt::LeftButton);
        });
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);
        Cliquer(fm->btCreerDossier);
        QCOMPARE(BoiteMessage::Historique(), QStringList(u"Erreur: Impossible de créer le dossier 'Refusé'."_s));
        BoiteMessage::Historique().clear();
        QCOMPARE(fm->tvDst->SelectedPath(), lectureSeule.Chemin());
    }

    // While the preview is open the run is not over: no second run, no closing.
    void apercuBloqueLesBoutons()
    {
        QTemporaryDir photos;
        QVERIFY(EcrireFichier(photos.filePath(u"IMG_0001.JPG"_s), JPEGAvecTIFF(TIFFAvecValeurs({}))));
        QTemporaryDir cible;
        auto fm = Ouvrir();
        QVERIFY(fm);
        fm->tvSrc->SetSelectedPath(photos.path());
        fm->tvDst->SetSelectedPath(cible.path());
        bool apercu = false, boutonsInactifs = false, fermetureRefusee = false;
        QuandModale<TfmApercu>(this, [&](TfmApercu *fa) {
            apercu = true;
            boutonsInactifs = !fm->btApercu->isEnabled() && !fm->btTraiter->isEnabled()
                && !fm->btQuitter->isEnabled() && fm->TraitementEnCours();
            fermetureRefusee = !fm->close() && fm->isVisible();
            fa->reject();
        });
        Cliquer(fm->btApercu);
        QVERIFY(apercu);
        QVERIFY(boutonsInactifs);
        QVERIFY(fermetureRefusee);
        QVERIFY(fm->btApercu->isEnabled() && fm->btTraiter->isEnabled() && fm->btQuitter->isEnabled());
        QVERIFY(!fm->TraitementEnCours());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(fm->findChildren<TfmApercu *>().isEmpty());
        QVERIFY(QDir(cible.path()).isEmpty()); // a preview touches nothing
    }

    void traiterCopieEtResume()
    {
        QTemporaryDir photos;
        QVERIFY(EcrireFichier(photos.filePath(u"IMG_0001.JPG"_s), JPEGAvecTIFF(TIFFAvecValeurs({}))));
        QTemporaryDir cible;
        auto fm = Ouvrir();
        QVERIFY(fm);
        QStringList ouverts;
        fm->OuvrirUrl = [&](const QUrl &url) { ouverts << url.toLocalFile(); return true; };
        fm->tvSrc->SetSelectedPath(photos.path());
        fm->tvDst->SetSelectedPath(cible.path());
        BoiteMessage::ReponseSuivante(QMessageBox::Yes);
        BoiteMessage::ReponseSuivante(QMessageBox::Ok);
        Cliquer(fm->btTraiter);
        const QStringList boites = BoiteMessage::Historique();
        BoiteMessage::Historique().clear();
        QCOMPARE(boites.size(), 2);
        QVERIFY2(boites[0].startsWith(u"Attention: Traiter les 1 Images"_s), qPrintable(boites[0]));
        QVERIFY2(boites[1].startsWith(u"Information: 1 images traitées"_s), qPrintable(boites[1]));
        QVERIFY(ouverts.isEmpty()); // no error, no log shown
        QVERIFY(QFileInfo::exists(cible.filePath(u"06/05/21/IMG_0001.JPG"_s)));
        QVERIFY(QFileInfo::exists(m_dossier->filePath(u"Clarvane.erreurs.txt"_s)));
        QVERIFY(!QApplication::overrideCursor());
    }

    void traiterRefuse()
    {
        QTemporaryDir photos;
        QVERIFY(EcrireFichier(photos.filePath(u"IMG_0001.JPG"_s), JPEGAvecTIFF(TIFFAvecValeurs({}))));
        QTemporaryDir cible;
        auto fm = Ouvrir();
        QVERIFY(fm);
        fm->tvSrc->SetSelectedPath(photos.path());
        fm->tvDst->SetSelectedPath(cible.path());
        BoiteMessage::ReponseSuivante(QMessageBox::No);
        Cliquer(fm->btTraiter);
        QCOMPARE(BoiteMessage::Historique().size(), 1);
        BoiteMessage::Historique().clear();
        QVERIFY(QDir(cible.path()).isEmpty());
        QVERIFY(!QApplication::overrideCursor());
    }

    // Real boxes speak French.
    void boitesEnFrancais()
    {
        QString oui, non;
        QuandModale<QMessageBox>(this, [&](QMessageBox *b) {
            oui = b->button(QMessageBox::Yes)->text();
            non = b->button(QMessageBox::No)->text();
            b->button(QMessageBox::No)->click();
        });
        QVERIFY(!BoiteMessage::Question(nullptr, u"Traiter ?"_s));
        QCOMPARE(oui, u"Oui"_s);
        QCOMPARE(non, u"Non"_s);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
