// One running program per user: a second start brings the first one's window to the
// front and ends. The instances meet through a local socket private to the user.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

class TInstanceUnique final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TInstanceUnique)

public:
    // `nom`: the socket's name, or a full path; by default NomParDefaut().
    explicit TInstanceUnique(const QString &nom = NomParDefaut(), QObject *parent = nullptr);
    ~TInstanceUnique() override;

    // The user's socket: in the user's private runtime folder.
    static QString NomParDefaut();

    // True when another instance is running: it has been asked to come to the front and
    // this one should end. False when this one is the first: it now listens, and emits
    // Activation when a later start asks for it. A socket left by an instance that died
    // is removed. When the socket cannot be made at all, false (the program runs alone).
    bool Demarrer();

    // This instance listens (Demarrer gave false and the socket could be made).
    bool Ecoute() const;

Q_SIGNALS:
    // A later start of the program asked this instance to show its window.
    void Activation();

private:
    // Connects to a running instance and asks it to come to the front; false when no
    // instance answers on the socket.
    bool PrevenirAutre() const;
    void NouvelleConnexion();

    QString m_nom;
    QLocalServer *m_serveur;
};
