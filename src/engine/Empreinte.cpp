#include "engine/Empreinte.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include <unistd.h>

#include <xxhash.h>

struct THachage::TEtat {
    XXH3_state_t *xxh = XXH3_createState();
};

QByteArray TEmpreinte::Hex() const
{
    XXH128_canonical_t canonique;
    XXH128_canonicalFromHash(&canonique, XXH128_hash_t{Bas, Haut});
    return QByteArray(reinterpret_cast<const char *>(canonique.digest), sizeof canonique.digest).toHex();
}

std::optional<TEmpreinte> TEmpreinte::DepuisHex(QByteArrayView hex)
{
    if (hex.size() != 32)
        return std::nullopt;
    for (const char c : hex)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return std::nullopt;
    const QByteArray octets = QByteArray::fromHex(hex.toByteArray());
    XXH128_canonical_t canonique;
    std::copy(octets.cbegin(), octets.cend(), reinterpret_cast<char *>(canonique.digest));
    const XXH128_hash_t h = XXH128_hashFromCanonical(&canonique);
    return TEmpreinte{h.high64, h.low64};
}

THachage::THachage() : m_etat(new TEtat)
{
    if (!m_etat->xxh)
        throw std::bad_alloc();
    XXH3_128bits_reset(m_etat->xxh);
}

THachage::~THachage()
{
    XXH3_freeState(m_etat->xxh);
    delete m_etat;
}

void THachage::Ajouter(const void *octets, size_t taille)
{
    XXH3_128bits_update(m_etat->xxh, octets, taille);
}

TEmpreinte THachage::Resultat() const
{
    const XXH128_hash_t h = XXH3_128bits_digest(m_etat->xxh);
    return {h.high64, h.low64};
}

TEmpreinte EmpreinteDe(QByteArrayView octets)
{
    const XXH128_hash_t h = XXH3_128bits(octets.data(), size_t(octets.size()));
    return {h.high64, h.low64};
}

int EmpreinteParLectures(const TLecture &lire, TEmpreinte &empreinte)
{
    static thread_local QByteArray tampon(1 << 20, Qt::Uninitialized);
    THachage hachage;
    off_t position = 0;
    for (;;) {
        const ssize_t n = lire(tampon.data(), size_t(tampon.size()), position);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break;
        hachage.Ajouter(tampon.constData(), size_t(n));
        position += n;
    }
    empreinte = hachage.Resultat();
    return 0;
}

int EmpreinteDescripteur(int fd, TEmpreinte &empreinte)
{
    return EmpreinteParLectures(
        [fd](void *tampon, size_t taille, off_t position) { return ::pread(fd, tampon, taille, position); },
        empreinte);
}
