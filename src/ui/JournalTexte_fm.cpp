#include "ui/JournalTexte_fm.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "commun/Chemins.h"
#include "commun/NomsFichiers.h"
#include "engine/JournalTraitement.h"
#include "metadata/Nombres.h"

using namespace Qt::StringLiterals;

TfmJournalTexte::TfmJournalTexte(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(u"fmJournalTexte"_s);
    setModal(false);
    resize(640, 400);
    setMinimumSize(400, 300);

    mmJournal = new QPlainTextEdit(this);
    mmJournal->setObjectName(u"mmJournal"_s);
    mmJournal->setReadOnly(true);
    mmJournal->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    mmJournal->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmJournal->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    pnCommandes = new QWidget(this);
    pnCommandes->setObjectName(u"pnCommandes"_s);
    btFermer = new QPushButton(u"Fermer"_s, pnCommandes);
    btFermer->setObjectName(u"btFermer"_s);
    btFermer->setDefault(true);
    connect(btFermer, &QPushButton::clicked, this, &QDialog::close);
    auto *boutons = new QHBoxLayout(pnCommandes);
    boutons->setContentsMargins(0, 0, 0, 0);
    boutons->addStretch();
    boutons->addWidget(btFermer);

    auto *disposition = new QVBoxLayout(this);
    disposition->setContentsMargins(8, 8, 8, 8);
    disposition->addWidget(mmJournal);
    disposition->addWidget(pnCommandes);
    mmJournal->setFocus();
}

void TfmJournalTexte::Charger(const QString &chemin, qint64 tailleMax)
{
    const QByteArray octets = NomEnOctets(chemin);
    setWindowTitle(NomLisible(NomDepuisOctets(NomFinal(octets))));
    QByteArray contenu;
    qint64 taille = 0;
    if (const int erreur = LireFichier(octets, tailleMax, contenu, TGenreLecture::Ordinaire, &taille)) {
        struct stat etat {};
        QString cause = EtatChemin(octets, etat) == 0 ? TexteNonOrdinaire(etat.st_mode) : QString();
        if (cause.isEmpty())
            cause = MessageSysteme(erreur);
        mmJournal->setPlainText(u"Impossible de lire le fichier \"%1\" : %2"_s.arg(NomLisible(chemin), cause));
        return;
    }
    QString texte = QString::fromUtf8(contenu);
    if (taille > tailleMax) // the beginning only: a log of a run is far shorter
        texte += u"\n[…] Fichier tronqué : %1 affichés sur %2."_s.arg(TailleEnTexte(contenu.size()),
                                                                     TailleEnTexte(taille));
    texte.replace(u"\r\n"_s, u"\n"_s);
    if (texte.endsWith(u'\n'))
        texte.chop(1);
    mmJournal->setPlainText(texte);
}

TfmJournalTexte *OuvrirOuMontrer(const QString &chemin, QWidget *parent,
                                 const std::function<bool(const QUrl &)> &ouvrir)
{
    if (ouvrir && ouvrir(QUrl::fromLocalFile(chemin)))
        return nullptr;
    TfmJournalTexte *fenetre = parent ? parent->findChild<TfmJournalTexte *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!fenetre) {
        fenetre = new TfmJournalTexte(parent);
        fenetre->setAttribute(Qt::WA_DeleteOnClose);
    }
    fenetre->Charger(chemin);
    fenetre->show();
    fenetre->raise();
    fenetre->activateWindow();
    return fenetre;
}
