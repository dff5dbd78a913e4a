// The volumes shown at the root of a folder tree: the root file system and every mounted
// volume of real storage, read from /proc/self/mountinfo, with label, serial and kind.
#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>

// The kind of a volume; it chooses the volume's icon in the folder tree.
enum class TTypeLecteur { Amovible, Fixe, Reseau, CDROM, DisqueRAM };

struct TVolume {
    QString PointMontage;      // absolute, ends with "/" ("/" for the root)
    QString Nom;               // the volume's label, empty when it has none
    quint32 Serie = 0;         // FAT/exFAT volume id (NTFS: its low 32 bits); 0 when none
    TTypeLecteur Type = TTypeLecteur::Fixe;
    QString SystemeFichiers;   // "ext4", "vfat", "nfs4", ...
    QString Peripherique;      // the mount source: "/dev/sdb1", "server:/share", "tmpfs"
};

// What a folder tree shows at its root level. The tree asks it again on each Populate and
// on each refresh of a volume node; tests give the tree fixed answers.
class IFournisseurVolumes {
public:
    virtual ~IFournisseurVolumes() = default;
    // The volumes to show, the root "/" first. Never touches removable media's contents.
    virtual QList<TVolume> Volumes() const = 0;
    // The user's desktop and documents folders (no trailing "/" needed); empty for none.
    // By default the XDG user folders.
    virtual QString DossierBureau() const;
    virtual QString DossierDocuments() const;
};

// The machine's volumes. `racine` is where /proc, /dev and /sys are looked for ("/" but
// in tests).
class TVolumesSysteme final : public IFournisseurVolumes {
public:
    explicit TVolumesSysteme(const QString &racine = QStringLiteral("/"));
    QList<TVolume> Volumes() const override;
    static TVolumesSysteme &Instance();

private:
    QString m_racine; // without trailing "/"
};

// --- The pieces of TVolumesSysteme, exposed for tests ---

// One line of /proc/self/mountinfo.
struct TMontage {
    QString Racine;            // the mounted folder of the file system ("/" unless a bind mount)
    QString PointMontage;      // as written, unescaped, without trailing "/" (except the root)
    QString SystemeFichiers;
    QString Source;
    QString MajeurMineur;      // "8:17"
};

// Parses the text of /proc/self/mountinfo; malformed lines are skipped.
QList<TMontage> LireMountInfo(const QByteArray &texte);

// The kind of a mount, or nothing when it is no storage a photographer picks folders on
// (proc, sysfs, cgroup, overlay of containers, tmpfs under /run, bind mounts, ...).
// `amovible` tells whether the mount's block device is removable (USB, SD card).
std::optional<TTypeLecteur> TypeDuMontage(const TMontage &m, bool amovible);

// The 32-bit serial written in a /dev/disk/by-uuid name: "1A2B-3C4D" (FAT, exFAT) or the
// low half of a 16-digit NTFS serial. 0 for any other name (ext4 and btrfs UUIDs, ...).
quint32 SerieDepuisUUID(const QString &nomUUID);

// The volume id and label held in a FAT12/16/32 or exFAT boot sector (at least 512 bytes);
// nothing when the sector is of no such file system. exFAT keeps its label elsewhere: empty.
struct TSecteurBoot {
    quint32 Serie = 0;
    QString Nom;
};
std::optional<TSecteurBoot> LireSecteurBoot(const QByteArray &secteur);
