#include "app/InstanceUnique.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

#include "commun/Chemins.h"
#include "commun/Dossiers.h"
#include "commun/NomsFichiers.h"

using namespace Qt::StringLiterals;

namespace {
const QByteArray kDemande = "activer\n";
const QByteArray kReponse = "ok\n";
constexpr int kDelaiMs = 2000;
} // namespace

TInstanceUnique::TInstanceUnique(const QString &nom, QObject *parent)
    : QObject(parent), m_nom(nom), m_serveur(new QLocalServer(this))
{
    // Only this user may connect.
    m_serveur->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_serveur, &QLocalServer::newConnection, this, &TInstanceUnique::NouvelleConnexion);
}

TInstanceUnique::~TInstanceUnique()
{
    m_serveur->close(); // removes the socket file
}

QString TInstanceUnique::NomParDefaut()
{
    // XDG_RUNTIME_DIR (or Qt's private stand-in for it) belongs to the user alone; the
    // user id in the name keeps users apart should it ever be shared.
    const QString dossier = DossierExecution();
    const QString nom = u"clarvane-%1.instance"_s.arg(::getuid());
    if (dossier.isEmpty() || !EstDossier(NomEnOctets(dossier)))
        return nom; // Qt puts a bare name in the temporary folder
    return AvecBarreFinale(dossier) + nom;
}

bool TInstanceUnique::Demarrer()
{
    if (PrevenirAutre())
        return true;
    if (m_serveur->listen(m_nom))
        return false;
    if (m_serveur->serverError() == QAbstractSocket::AddressInUseError) {
        // Either an instance that started between the two steps, or the socket of one
        // that died without removing it.
        if (PrevenirAutre())
            return true;
        QLocalServer::removeServer(m_nom);
        if (m_serveur->listen(m_nom))
            return false;
    }
    qWarning("clarvane: cannot listen on %s: %s", qPrintable(m_nom),
             qPrintable(m_serveur->errorString()));
    return false;
}

bool TInstanceUnique::Ecoute() const
{
    return m_serveur->isListening();
}

bool TInstanceUnique::PrevenirAutre() const
{
    QLocalSocket socket;
    socket.connectToServer(m_nom);
    if (!socket.waitForConnected(kDelaiMs))
        return false;
    socket.write(kDemande);
    socket.waitForBytesWritten(kDelaiMs);
    // Wait for the acknowledgement, so that the request is not lost when this process
    // ends; a running instance that does not answer in time still counts as running.
    while (socket.bytesAvailable() < kReponse.size() && socket.waitForReadyRead(kDelaiMs)) {
    }
    socket.disconnectFromServer();
    return true;
}

void TInstanceUnique::NouvelleConnexion()
{
    while (QLocalSocket *socket = m_serveur->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 64) // not one of ours
                    socket->disconnectFromServer();
                return;
            }
            const QByteArray ligne = socket->readLine();
            if (ligne == kDemande) {
                socket->write(kReponse);
                socket->flush();
                Q_EMIT Activation();
            }
            socket->disconnectFromServer();
        });
    }
}
