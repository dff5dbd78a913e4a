// Whole runs on temporary trees: a source folder, a destination, a folder for the
// program's own files (error log, undo journal), and the fakes of the main window.
#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "ConstructeurEXIF.h"
#include "FauxOptions.h"
#include "FauxRetour.h"
#include "Octets.h"
#include "commun/NomsFichiers.h"
#include "engine/Traitement.h"

// The bytes of a JPEG with the values, padded after its end to `taille` bytes.
QByteArray OctetsPhoto(qsizetype taille = 1000, const TValeursEXIF &v = {});

// A JPEG with the values, padded after its end to `taille` bytes (folders created).
bool Photo(const QString &chemin, qsizetype taille = 1000, const TValeursEXIF &v = {});

// Values of a given camera, the rest as TValeursEXIF has them.
TValeursEXIF Appareil(const QByteArray &modele);

// Every file below the folder, relative to it, sorted; hidden ones included.
QStringList Fichiers(const QString &dossier);

// Every folder below the folder, relative to it and ending with "/", sorted.
QStringList SousDossiers(const QString &dossier);

struct TBanc {
    QTemporaryDir tmp;
    QString src, dst, prog;
    TFauxOptions options;
    TFauxRetour retour;
    TListeImages liste;

    // Copy mode by the camera alone, from src to dst; the log and journal in prog.
    TBanc()
    {
        src = tmp.path() + QStringLiteral("/Photos/");
        dst = tmp.path() + QStringLiteral("/Tri/");
        prog = tmp.path() + QStringLiteral("/programme/");
        QDir().mkpath(src);
        QDir().mkpath(dst);
        QDir().mkpath(prog);
        options.options.cDossSrc = src;
        options.options.cDossDst = dst;
        options.options.cOrdreDonEXIF = QStringLiteral("Afvdpi"); // the camera only
        retour.dossierJournal = prog;
    }
    // Trees with names QTemporaryDir cannot remove (not UTF-8, too long, no permission).
    ~TBanc() { SupprimerArbre(NomEnOctets(tmp.path())); }
    TBanc(const TBanc &) = delete;
    TBanc &operator=(const TBanc &) = delete;
    QString Journal() const { return prog + QStringLiteral("Clarvane.erreurs.txt"); }
    // The same paths as the file system's bytes.
    QByteArray Src() const { return NomEnOctets(src); }
    QByteArray Dst() const { return NomEnOctets(dst); }
    void Lancer(bool traiter) { LancerTraitement(traiter, options, retour, liste); }
};

// The undo of the bench's last run, in a child process killed (SIGKILL) when its pop-up
// "Annulation en cours" reaches `valeur` (that many operations put back, less one): true
// when it was killed there.
bool AnnulationTuee(TBanc &b, int valeur);
