#include "metadata/BoitesFilm.h"

#include <cstring>
#include <span>

namespace {

// Canon's box inside "moov" that holds the CMT boxes (CR3 files and Canon videos).
constexpr unsigned char kUuidCanon[16] = {0x85, 0xC0, 0xB6, 0x87, 0x82, 0x0F, 0x11, 0xE0,
                                          0x81, 0x11, 0xF4, 0xCE, 0x46, 0x2B, 0x6A, 0x48};

// User-data atoms and item-list entries named by a type whose first character is ©.
constexpr quint32 kTypeModele = 0xA96D6F64; // ©mod
constexpr quint32 kTypeDate = 0xA9646179;   // ©day

// The QuickTime keys that give values, in the order of TCles' fields.
constexpr const char *kNomsCles[] = {"com.apple.quicktime.model", "com.android.model",
                                     "com.apple.quicktime.creationdate"};
constexpr qint64 kNomCleMax = 40; // longer keys are none of these

// The bytes of [debut, fin), at most kTexteMax of them, up to the first zero byte.
bool LireTexte(IFluxOctets &flux, qint64 debut, qint64 fin, QByteArray &texte)
{
    return fin >= debut && flux.LireTexte(debut, qMin(fin - debut, TParcoursMoov::kTexteMax), texte);
}

// The value of the first data atom ("data": version 0 and a type on 4 bytes, 4 bytes of
// locale, the value) of an item, when its type is 1 (UTF-8 text). A value cut short by
// the end of its item or of the file is not taken (a model's first letters are no model).
bool TexteDonnees(IFluxOctets &flux, const TBoite &item, QByteArray &texte)
{
    TParcours boites(flux, item.contenu, item.fin);
    TBoite d;
    while (boites.Suivante(d)) {
        if (d.type != TypeBoite("data"))
            continue;
        unsigned char entete[8];
        if (!d.entiere || d.fin - d.contenu < 8 || !flux.Lire(d.contenu, 8, entete) || Lire32GB(entete) != 1)
            return false;
        return LireTexte(flux, d.contenu + 8, d.fin, texte);
    }
    return false;
}

// A user-data text atom (©mod, ©day): a 16-bit size, a 16-bit language code, the text;
// the first of its texts, when it lies whole in the atom.
bool TexteUtilisateur(IFluxOctets &flux, const TBoite &atome, QByteArray &texte)
{
    TLecteur l(flux, atome.contenu, atome.fin);
    quint64 taille = 0;
    if (!atome.entiere || !l.Nombre(2, taille) || !l.Sauter(2) || quint64(l.Reste()) < taille)
        return false;
    return LireTexte(flux, l.Position(), l.Position() + qint64(taille), texte);
}

// Where the text of an item of an item list goes: items of type `type` (a key's index
// from 1, or a four-character code).
struct TCible {
    quint32 type;
    QByteArray *texte;
};

void LireItems(IFluxOctets &flux, const TBoite &ilst, std::span<const TCible> cibles)
{
    TParcours items(flux, ilst.contenu, ilst.fin);
    TBoite item;
    while (items.Suivante(item))
        for (const TCible &c : cibles)
            if (c.type != 0 && item.type == c.type && c.texte->isEmpty())
                TexteDonnees(flux, item, *c.texte);
}

// The index (from 1) that "keys" gives to each of kNomsCles, 0 when it lists none. Keys
// are records of a 32-bit size (counting its 8 bytes of header), a namespace ("mdta"),
// then the name.
void IndexCles(IFluxOctets &flux, const TBoite &keys, quint32 (&index)[std::size(kNomsCles)])
{
    TLecteur l(flux, keys.contenu, keys.fin);
    quint64 nombre = 0;
    if (!l.Sauter(4) || !l.Nombre(4, nombre))
        return;
    for (quint64 i = 1; i <= qMin(nombre, quint64(kItemsMax)); ++i) {
        unsigned char tete[8];
        if (!l.Octets(8, tete))
            return;
        const quint32 taille = Lire32GB(tete);
        if (taille < 8)
            return;
        const qint64 longueur = qint64(taille) - 8;
        if (std::memcmp(tete + 4, "mdta", 4) != 0 || longueur > kNomCleMax) {
            if (!l.Sauter(quint64(longueur)))
                return;
            continue;
        }
        unsigned char nom[kNomCleMax];
        if (!l.Octets(int(longueur), nom))
            return;
        for (size_t k = 0; k < std::size(kNomsCles); ++k)
            if (index[k] == 0 && qint64(std::strlen(kNomsCles[k])) == longueur
                && std::memcmp(nom, kNomsCles[k], size_t(longueur)) == 0)
                index[k] = quint32(i);
    }
}

} // namespace

TParcoursMoov::TParcoursMoov(IFluxOctets &flux, bool lireValeurs)
    : m_flux(flux), m_lireValeurs(lireValeurs), m_parcours(flux, 0, 0)
{
}

void TParcoursMoov::Commencer(const TBoite &moov)
{
    m_commence = true;
    m_parcours = TParcours(m_flux, moov.contenu, moov.fin);
}

bool TParcoursMoov::CanonSuivant(TBoite &canon)
{
    TBoite b;
    while (m_parcours.Suivante(b)) {
        if (b.type == TypeBoite("uuid") && std::memcmp(b.uuid, kUuidCanon, 16) == 0) {
            canon = b;
            return true;
        }
        if (m_lireValeurs)
            Traiter(b);
    }
    // The end, or a header that makes no sense: the walk does not go on.
    m_parcours = TParcours(m_flux, 0, 0);
    return false;
}

void TParcoursMoov::Terminer()
{
    TBoite canon;
    while (CanonSuivant(canon)) {
    }
}

void TParcoursMoov::Traiter(const TBoite &b)
{
    switch (b.type) {
    case TypeBoite("mvhd"):
        LireEnteteFilm(b);
        break;
    case TypeBoite("udta"):
        LireDonneesUtilisateur(b);
        break;
    case TypeBoite("meta"):
        LireMeta(b);
        break;
    default:
        break;
    }
}

void TParcoursMoov::LireEnteteFilm(const TBoite &mvhd)
{
    // Version and flags, then the creation time: 32 bits in version 0, 64 in version 1.
    TLecteur l(m_flux, mvhd.contenu, mvhd.fin);
    quint64 version = 0, creation = 0;
    if (m_valeurs.creation == 0 && l.Nombre(1, version) && l.Sauter(3)
        && l.Nombre(version == 1 ? 8 : 4, creation))
        m_valeurs.creation = creation;
}

void TParcoursMoov::LireDonneesUtilisateur(const TBoite &udta)
{
    TParcours atomes(m_flux, udta.contenu, udta.fin);
    TBoite a;
    while (atomes.Suivante(a)) {
        if (a.type == kTypeModele && m_valeurs.modeleUtilisateur.isEmpty())
            TexteUtilisateur(m_flux, a, m_valeurs.modeleUtilisateur);
        else if (a.type == kTypeDate && m_valeurs.dateUtilisateur.isEmpty())
            TexteUtilisateur(m_flux, a, m_valeurs.dateUtilisateur);
        else if (a.type == TypeBoite("meta"))
            LireMeta(a);
    }
}

void TParcoursMoov::LireMeta(const TBoite &meta)
{
    const qint64 debut = DebutBoitesMeta(m_flux, meta);
    if (debut < 0)
        return;
    TParcours boites(m_flux, debut, meta.fin);
    TBoite b, keys, ilst;
    quint32 gestionnaire = 0;
    while (boites.Suivante(b)) {
        if (b.type == TypeBoite("hdlr") && gestionnaire == 0) {
            // Version and flags, a predefined field, then the handler's type.
            unsigned char h[12];
            if (b.fin - b.contenu >= 12 && m_flux.Lire(b.contenu, 12, h))
                gestionnaire = Lire32GB(h + 8);
        } else if (b.type == TypeBoite("keys") && keys.fin == 0) {
            keys = b;
        } else if (b.type == TypeBoite("ilst") && ilst.fin == 0) {
            ilst = b;
        }
    }
    if (ilst.fin == 0)
        return;
    if (gestionnaire == TypeBoite("mdta") && keys.fin != 0) {
        // QuickTime metadata: items named by the index of their key.
        quint32 index[std::size(kNomsCles)] = {};
        IndexCles(m_flux, keys, index);
        const TCible cibles[] = {{index[0], &m_valeurs.modeleApple},
                                 {index[1], &m_valeurs.modeleAndroid},
                                 {index[2], &m_valeurs.dateCles}};
        LireItems(m_flux, ilst, cibles);
    } else if (gestionnaire == TypeBoite("mdir")) {
        // An item list named by four-character codes, as user data writes them.
        const TCible cibles[] = {{kTypeModele, &m_valeurs.modeleUtilisateur},
                                 {kTypeDate, &m_valeurs.dateUtilisateur}};
        LireItems(m_flux, ilst, cibles);
    }
}
