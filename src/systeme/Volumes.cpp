// The machine's volumes, from /proc/self/mountinfo, udev's /dev/disk links and sysfs.
#include "systeme/Volumes.h"

#include <algorithm>

#include <QHash>
#include <QRegularExpression>

#include "commun/Chemins.h"
#include "commun/Dossiers.h"
#include "commun/NomsFichiers.h"

using namespace Qt::StringLiterals;

QString IFournisseurVolumes::DossierBureau() const
{
    return DossierUtilisateur(TDossierUtilisateur::Bureau);
}

QString IFournisseurVolumes::DossierDocuments() const
{
    return DossierUtilisateur(TDossierUtilisateur::Documents);
}

namespace {

// mountinfo writes space, tab, newline and backslash as \ooo octal escapes; the bytes of a
// name that is not UTF-8 are kept as the program keeps them (NomDepuisOctets).
QString DecoderOctal(const QByteArray &champ)
{
    QByteArray octets;
    octets.reserve(champ.size());
    for (qsizetype i = 0; i < champ.size(); ++i) {
        if (champ[i] == '\\' && i + 3 < champ.size()) {
            const QByteArray chiffres = champ.mid(i + 1, 3);
            bool ok = chiffres.size() == 3;
            for (char c : chiffres)
                ok = ok && c >= '0' && c <= '7';
            if (ok) {
                octets.append(char(chiffres.toInt(nullptr, 8)));
                i += 3;
                continue;
            }
        }
        octets.append(champ[i]);
    }
    return NomDepuisOctets(octets);
}

// udev writes unsafe characters of labels as \xNN.
QString DecoderUdev(const QByteArray &octets)
{
    QByteArray sortie;
    for (qsizetype i = 0; i < octets.size(); ++i) {
        if (octets[i] == '\\' && i + 3 < octets.size() && octets[i + 1] == 'x') {
            bool ok = false;
            const int v = octets.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                sortie.append(char(v));
                i += 3;
                continue;
            }
        }
        sortie.append(octets[i]);
    }
    return QString::fromUtf8(sortie);
}

bool SousDossierDe(const QString &chemin, const QString &dossier)
{
    return chemin == dossier || chemin.startsWith(dossier + u'/');
}

// The canonical device of every name in a /dev/disk/by-* folder, the first name in byte
// order when several lead to one device.
QHash<QByteArray, QByteArray> LiensDisques(const QByteArray &dossier)
{
    QHash<QByteArray, QByteArray> liens;
    QByteArrayList noms;
    ListerDossier(dossier, noms);
    std::sort(noms.begin(), noms.end());
    for (const QByteArray &nom : std::as_const(noms)) {
        const QByteArray cible = CheminCanonique(JoindreChemin(dossier, nom));
        if (!cible.isEmpty() && !liens.contains(cible))
            liens.insert(cible, nom);
    }
    return liens;
}

// The first bytes of a file of sysfs; empty when it cannot be read.
QByteArray LireSysfs(const QByteArray &chemin)
{
    constexpr qint64 kTailleMax = 64;
    QByteArray octets;
    LireFichier(chemin, kTailleMax, octets, TGenreLecture::Systeme);
    return octets;
}

// The sysfs folder of a mount's block device, empty for none.
QByteArray DossierSysfs(const QByteArray &racine, const TMontage &m, const QByteArray &peripherique)
{
    if (!peripherique.isEmpty()) {
        const QByteArray d = CheminCanonique(racine + "/sys/class/block/" + NomFinal(peripherique));
        if (!d.isEmpty())
            return d;
    }
    if (!m.MajeurMineur.isEmpty() && !m.MajeurMineur.startsWith(u"0:"_s))
        return CheminCanonique(racine + "/sys/dev/block/" + m.MajeurMineur.toLatin1());
    return {};
}

// A USB stick or card reader, an SD card: what the user plugs in and takes out.
bool EstAmovible(const QByteArray &sysfs)
{
    if (sysfs.isEmpty())
        return false;
    QByteArray disque = sysfs;
    struct stat etat {};
    if (EtatChemin(sysfs + "/partition", etat) == 0)
        disque = DossierParent(sysfs).chopped(1);
    if (LireSysfs(disque + "/removable").trimmed() == "1")
        return true;
    if (disque.contains("/usb"))
        return true;
    return LireSysfs(disque + "/device/type").trimmed() == "SD";
}

quint32 Lire32(const QByteArray &s, int pos)
{
    return quint32(quint8(s[pos])) | quint32(quint8(s[pos + 1])) << 8 | quint32(quint8(s[pos + 2])) << 16
        | quint32(quint8(s[pos + 3])) << 24;
}

} // namespace

QList<TMontage> LireMountInfo(const QByteArray &texte)
{
    QList<TMontage> montages;
    for (const QByteArray &ligne : texte.split('\n')) {
        const QList<QByteArray> champs = ligne.simplified().split(' ');
        // id parent maj:min root point options [optional...] - fstype source superoptions
        const qsizetype tiret = champs.indexOf("-", 6);
        if (champs.size() < 7 || tiret < 0 || tiret + 2 >= champs.size())
            continue;
        TMontage m;
        m.MajeurMineur = QString::fromLatin1(champs[2]);
        m.Racine = DecoderOctal(champs[3]);
        m.PointMontage = DecoderOctal(champs[4]);
        m.SystemeFichiers = QString::fromLatin1(champs[tiret + 1]);
        m.Source = DecoderOctal(champs[tiret + 2]);
        if (!m.PointMontage.startsWith(u'/'))
            continue;
        montages.append(m);
    }
    return montages;
}

std::optional<TTypeLecteur> TypeDuMontage(const TMontage &m, bool amovible)
{
    static const QStringList reseau = {
        u"nfs"_s, u"nfs4"_s, u"cifs"_s, u"smb3"_s, u"smbfs"_s, u"fuse.sshfs"_s, u"sshfs"_s,
        u"9p"_s, u"afs"_s, u"ceph"_s, u"glusterfs"_s, u"fuse.glusterfs"_s, u"davfs"_s,
        u"fuse.davfs2"_s, u"fuse.rclone"_s, u"ncpfs"_s, u"coda"_s, u"virtiofs"_s};
    // File systems that may sit on a block device but hold no user's folders.
    static const QStringList jamais = {
        u"squashfs"_s, u"overlay"_s, u"devtmpfs"_s, u"swap"_s, u"efivarfs"_s, u"autofs"_s};
    const QString &fs = m.SystemeFichiers;
    const QString &point = m.PointMontage;

    if (reseau.contains(fs))
        return TTypeLecteur::Reseau;
    // The system's own places; removable media mounted by udisks under /run/media stay.
    for (const QString &d : {u"/proc"_s, u"/sys"_s, u"/dev"_s, u"/var/run"_s, u"/var/lock"_s, u"/snap"_s})
        if (SousDossierDe(point, d))
            return std::nullopt;
    if (SousDossierDe(point, u"/run"_s) && !SousDossierDe(point, u"/run/media"_s))
        return std::nullopt;
    // A bind mount shows part of a volume shown elsewhere (btrfs subvolumes look alike).
    if (m.Racine != u"/"_s && fs != u"btrfs"_s)
        return std::nullopt;
    if (fs == u"iso9660"_s || fs == u"udf"_s)
        return TTypeLecteur::CDROM;
    if (fs == u"tmpfs"_s || fs == u"ramfs"_s)
        return TTypeLecteur::DisqueRAM;
    if (jamais.contains(fs))
        return std::nullopt;
    if (m.Source.startsWith(u"/dev/"_s) || fs == u"zfs"_s)
        return amovible ? TTypeLecteur::Amovible : TTypeLecteur::Fixe;
    return std::nullopt;
}

quint32 SerieDepuisUUID(const QString &nomUUID)
{
    static const QRegularExpression fat(u"^([0-9A-Fa-f]{4})-([0-9A-Fa-f]{4})$"_s);
    static const QRegularExpression ntfs(u"^[0-9A-Fa-f]{16}$"_s);
    if (const auto r = fat.match(nomUUID); r.hasMatch())
        return r.captured(1).toUInt(nullptr, 16) << 16 | r.captured(2).toUInt(nullptr, 16);
    if (ntfs.match(nomUUID).hasMatch())
        return nomUUID.right(8).toUInt(nullptr, 16);
    return 0;
}

std::optional<TSecteurBoot> LireSecteurBoot(const QByteArray &s)
{
    if (s.size() < 512 || quint8(s[510]) != 0x55 || quint8(s[511]) != 0xAA)
        return std::nullopt;
    TSecteurBoot r;
    if (s.mid(3, 8) == "EXFAT   ") {
        r.Serie = Lire32(s, 0x64);
        return r;
    }
    const int octetsParSecteur = quint8(s[0x0B]) | quint8(s[0x0C]) << 8;
    if (octetsParSecteur != 512 && octetsParSecteur != 1024 && octetsParSecteur != 2048
        && octetsParSecteur != 4096)
        return std::nullopt;
    // FAT32 has no 16-bit sectors-per-FAT count, and its extended fields sit 28 bytes later.
    const bool fat32 = s[0x16] == 0 && s[0x17] == 0;
    const int signature = fat32 ? 0x42 : 0x26;
    if (quint8(s[signature]) != 0x29)
        return std::nullopt;
    r.Serie = Lire32(s, signature + 1);
    QString nom = QString::fromLatin1(s.mid(signature + 5, 11)).trimmed();
    if (nom == u"NO NAME"_s)
        nom.clear();
    r.Nom = nom;
    return r;
}

TVolumesSysteme::TVolumesSysteme(const QString &racine)
    : m_racine(racine.endsWith(u'/') ? racine.chopped(1) : racine)
{
}

QList<TVolume> TVolumesSysteme::Volumes() const
{
    const QByteArray racine = NomEnOctets(m_racine);
    // The mount table, whose size /proc does not tell, read up to a bound no machine
    // reaches (a line is about 150 bytes); a line cut there is left out.
    constexpr qint64 kMontagesMax = 16 * 1024 * 1024;
    QByteArray table;
    if (LireFichier(racine + "/proc/self/mountinfo", kMontagesMax, table, TGenreLecture::Systeme) == 0
        && table.size() == kMontagesMax)
        table.truncate(table.lastIndexOf('\n') + 1);
    const QList<TMontage> montages = LireMountInfo(table);

    const QHash<QByteArray, QByteArray> uuids = LiensDisques(racine + "/dev/disk/by-uuid");
    const QHash<QByteArray, QByteArray> labels = LiensDisques(racine + "/dev/disk/by-label");

    // A later mount on the same point hides the earlier one.
    QHash<QString, qsizetype> parPoint;
    QList<TVolume> volumes;
    bool racineVue = false;
    for (const TMontage &m : montages) {
        const bool estRacine = m.PointMontage == u"/"_s;
        QByteArray peripherique;
        if (m.Source.startsWith(u"/dev/"_s)) {
            peripherique = CheminCanonique(racine + NomEnOctets(m.Source));
            if (peripherique.isEmpty())
                peripherique = racine + NomEnOctets(m.Source);
        }
        const std::optional<TTypeLecteur> type =
            TypeDuMontage(m, EstAmovible(DossierSysfs(racine, m, peripherique)));
        if (!type && !estRacine)
            continue;
        TVolume v;
        v.PointMontage = AvecBarreFinale(m.PointMontage);
        v.Type = type.value_or(TTypeLecteur::Fixe);
        v.SystemeFichiers = m.SystemeFichiers;
        v.Peripherique = m.Source;
        if (!peripherique.isEmpty()) {
            v.Serie = SerieDepuisUUID(QString::fromLatin1(uuids.value(peripherique)));
            v.Nom = DecoderUdev(labels.value(peripherique));
            const QString fs = m.SystemeFichiers;
            if ((v.Serie == 0 || v.Nom.isEmpty())
                && (fs == u"vfat"_s || fs == u"msdos"_s || fs == u"exfat"_s || fs == u"fuseblk"_s)) {
                // Readable by root or the disk group only; udev's links usually suffice.
                QByteArray secteur;
                LireFichier(peripherique, 512, secteur, TGenreLecture::Volume);
                if (const auto boot = LireSecteurBoot(secteur)) {
                    if (v.Serie == 0)
                        v.Serie = boot->Serie;
                    if (v.Nom.isEmpty())
                        v.Nom = boot->Nom;
                }
            }
        }
        racineVue = racineVue || estRacine;
        if (const auto it = parPoint.constFind(v.PointMontage); it != parPoint.cend()) {
            volumes[*it] = v;
        } else {
            parPoint.insert(v.PointMontage, volumes.size());
            volumes.append(v);
        }
    }
    if (!racineVue) {
        TVolume v;
        v.PointMontage = u"/"_s;
        volumes.append(v);
    }
    std::sort(volumes.begin(), volumes.end(), [](const TVolume &a, const TVolume &b) {
        if ((a.PointMontage == u"/"_s) != (b.PointMontage == u"/"_s))
            return a.PointMontage == u"/"_s;
        const int c = QString::localeAwareCompare(a.PointMontage, b.PointMontage);
        return c != 0 ? c < 0 : a.PointMontage < b.PointMontage;
    });
    return volumes;
}

TVolumesSysteme &TVolumesSysteme::Instance()
{
    static TVolumesSysteme instance;
    return instance;
}
