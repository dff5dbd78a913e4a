// Files and folders named by their bytes (names that are not UTF-8, paths longer than
// PATH_MAX), and work done in a child process that gives up root or lives under a
// smaller descriptor limit: for the tests that QFile, QDir and root cannot serve.
#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

// Writes the file of that path, any bytes and any length, creating it (mode 0644) or
// replacing its content. Its folder must exist. False on failure.
bool EcrireOctets(const QByteArray &chemin, const QByteArray &contenu);

// The file's bytes, or a text naming it when it cannot be read (as LireFichier).
QByteArray LireOctets(const QByteArray &chemin);

// Creates a folder (mode 0755) of any path; its parent must exist. False on failure.
bool CreerDossierOctets(const QByteArray &chemin);

// True when something (even a broken link) has this path, of any length.
bool ExisteOctets(const QByteArray &chemin);

// The files below the folder (ending with "/"), as paths relative to it, sorted by bytes;
// hidden ones included; links not followed.
QByteArrayList FichiersOctets(const QByteArray &dossier);

// Removes the tree (the folder itself included) whatever its names, depth or path length;
// permissions given back first. For the cleanup of trees that QTemporaryDir cannot remove.
void SupprimerArbre(const QByteArray &dossier);

// What a child process gave back.
struct TEnfant {
    bool lance = false;   // false: it could not be set up (fork, dropping root, rlimit)
    QString pourquoi;     // why not
    QByteArray sortie;    // what `travail` returned
};

// Runs `travail` in a child process: as user and group 65534 when `sansRoot` and the test
// runs as root (permission bits then hold), with a soft and hard limit of `descripteurs`
// open files when it is above 0. Returns what `travail` returned.
TEnfant DansEnfant(const std::function<QByteArray()> &travail, bool sansRoot, int descripteurs = 0);
