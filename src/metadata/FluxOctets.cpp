#include "metadata/FluxOctets.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "commun/Chemins.h"
#include "commun/NomsFichiers.h"

const char *IFluxOctets::Acceder(qint64 position, qint64 &disponible)
{
    if (!m_fenetre || position < m_debutFenetre || position >= m_finFenetre) {
        if (!Charger(position, m_fenetre, m_debutFenetre, m_finFenetre)) {
            m_fenetre = nullptr;
            m_debutFenetre = m_finFenetre = 0;
            return nullptr;
        }
    }
    disponible = m_finFenetre - position;
    return m_fenetre + (position - m_debutFenetre);
}

bool IFluxOctets::LireHorsFenetre(qint64 position, qint64 taille, void *dest)
{
    if (!Contient(position, taille))
        return false;
    // Check that every byte can be had before touching dest.
    qint64 disponible = 0;
    const char *p = taille > 0 ? Acceder(position, disponible) : nullptr;
    if (taille == 0)
        return true;
    if (!p)
        return false;
    if (disponible >= taille) { // the common case: one block holds it all
        std::memcpy(dest, p, size_t(taille));
        return true;
    }
    QByteArray tampon(taille, Qt::Uninitialized);
    qint64 fait = 0;
    while (true) {
        const qint64 n = qMin(disponible, taille - fait);
        std::memcpy(tampon.data() + fait, p, size_t(n));
        fait += n;
        if (fait == taille)
            break;
        p = Acceder(position + fait, disponible);
        if (!p)
            return false;
    }
    std::memcpy(dest, tampon.constData(), size_t(taille));
    return true;
}

bool IFluxOctets::LireTexte(qint64 position, qint64 taille, QByteArray &tampon, QByteArrayView &texte)
{
    if (!Contient(position, taille))
        return false;
    if (taille == 0) {
        texte = {};
        return true;
    }
    qint64 disponible = 0;
    const char *p = Acceder(position, disponible);
    if (!p)
        return false;
    qint64 n = qMin(disponible, taille);
    const void *zero = std::memchr(p, 0, size_t(n));
    if (zero || n == taille) { // the common case: the text lies in the loaded bytes
        texte = QByteArrayView(p, zero ? static_cast<const char *>(zero) - p : n);
        return true;
    }
    QByteArray lu(p, n);
    qint64 fait = n;
    while (fait < taille) {
        p = Acceder(position + fait, disponible);
        if (!p)
            return false;
        n = qMin(disponible, taille - fait);
        zero = std::memchr(p, 0, size_t(n));
        if (zero) {
            lu.append(p, static_cast<const char *>(zero) - p);
            break;
        }
        lu.append(p, n);
        fait += n;
    }
    tampon = lu;
    texte = tampon;
    return true;
}

bool IFluxOctets::LireTexte(qint64 position, qint64 taille, QByteArray &texte)
{
    QByteArray tampon;
    QByteArrayView vue;
    if (!LireTexte(position, taille, tampon, vue))
        return false;
    texte = vue.toByteArray();
    return true;
}

bool TFluxMemoire::Charger(qint64 position, const char *&donnees, qint64 &debut, qint64 &fin)
{
    if (position < 0 || position >= m_taille)
        return false;
    ++m_chargements;
    debut = m_tailleBloc > 0 ? position - position % m_tailleBloc : 0;
    fin = m_tailleBloc > 0 ? qMin(debut + m_tailleBloc, m_taille) : m_taille;
    donnees = m_donnees + debut;
    return true;
}

TFluxEtendues::TFluxEtendues(IFluxOctets &source, std::span<const TEtendue> etendues)
    : m_source(source), m_etendues(etendues)
{
    for (const TEtendue &e : m_etendues)
        m_taille += e.taille;
}

bool TFluxEtendues::Charger(qint64 position, const char *&donnees, qint64 &debut, qint64 &fin)
{
    if (position < 0 || position >= m_taille)
        return false;
    qint64 avant = 0; // bytes of the runs before this one
    for (const TEtendue &e : m_etendues) {
        if (position - avant < e.taille) {
            const qint64 dans = position - avant;
            qint64 disponible = 0;
            const char *p = m_source.Acceder(e.position + dans, disponible);
            if (!p)
                return false;
            donnees = p;
            debut = position;
            fin = position + qMin(disponible, e.taille - dans);
            return true;
        }
        avant += e.taille;
    }
    return false;
}

TFluxFichier::TFluxFichier(const QString &chemin)
{
    // The name in the file system's encoding; ASCII paths, the usual case, without
    // allocating: the bytes stay on the stack, zero-terminated, and the QByteArray only
    // points to them.
    char court[512];
    QByteArray octets;
    const qsizetype n = chemin.size();
    bool ascii = n < qsizetype(sizeof court);
    for (qsizetype i = 0; i < n && ascii; ++i) {
        const char16_t c = chemin.at(i).unicode();
        ascii = c > 0 && c < 0x80;
        court[i] = char(c);
    }
    if (ascii) {
        court[n] = '\0';
        octets = QByteArray::fromRawData(court, n);
    } else {
        octets = NomEnOctets(chemin);
        if (octets.contains('\0')) {
            m_erreur = EINVAL;
            return;
        }
    }
    struct stat etat;
    const int fd = OuvrirLecture(octets, etat); // paths past PATH_MAX too
    if (fd < 0) {
        m_erreur = errno;
        return;
    }
    m_fd = fd;
    m_taille = etat.st_size;
}

TFluxFichier::~TFluxFichier()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool TFluxFichier::Charger(qint64 position, const char *&donnees, qint64 &debut, qint64 &fin)
{
    if (m_fd < 0 || position < 0 || position >= m_taille)
        return false;
    const qint64 bloc = position - position % kTailleBloc;
    ++m_lectures;
    ssize_t lu;
    do
        lu = ::pread(m_fd, m_bloc, size_t(kTailleBloc), off_t(bloc));
    while (lu < 0 && errno == EINTR);
    if (lu < 0)
        m_erreur = errno;
    if (lu <= position - bloc) // the file is shorter than it was, or reading failed
        return false;
    donnees = m_bloc;
    debut = bloc;
    fin = bloc + lu;
    return true;
}
