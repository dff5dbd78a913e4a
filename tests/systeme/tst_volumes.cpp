// The volumes of the machine read from /proc and sysfs: mount table lines, the kind of
// each mount, volume serials from boot sectors and file-system UUIDs, and the volumes
// put together from a fake system root.
#include <cstdio>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "Fils.h"
#include "commun/NomsFichiers.h"
#include "systeme/Volumes.h"

using namespace Qt::StringLiterals;

class TestVolumes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mountInfo()
    {
        const QByteArray texte =
            "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
            "30 22 8:17 / /media/anne/EOS\\040DIGITAL rw,nosuid shared:5 master:2 - vfat /dev/sdb1 rw\n"
            "31 22 0:40 / /proc rw - proc proc rw\n"
            "garbage\n"
            "32 22 8:2 /var/lib/x /srv/x rw - ext4 /dev/sda2 rw\n";
        const QList<TMontage> m = LireMountInfo(texte);
        QCOMPARE(m.size(), 4);
        QCOMPARE(m[0].PointMontage, u"/"_s);
        QCOMPARE(m[1].PointMontage, u"/media/anne/EOS DIGITAL"_s);
        QCOMPARE(m[1].SystemeFichiers, u"vfat"_s);
        QCOMPARE(m[1].Source, u"/dev/sdb1"_s);
        QCOMPARE(m[1].MajeurMineur, u"8:17"_s);
        QCOMPARE(m[3].Racine, u"/var/lib/x"_s);
    }

    void typeMontage_data()
    {
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("fs");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("racine");
        QTest::addColumn<bool>("amovible");
        QTest::addColumn<int>("type"); // -1: not shown
        const int amovible = int(TTypeLecteur::Amovible), fixe = int(TTypeLecteur::Fixe);
        QTest::newRow("sd card") << u"/media/anne/EOS"_s << u"vfat"_s << u"/dev/mmcblk0p1"_s << u"/"_s << true << amovible;
        QTest::newRow("udisks run/media") << u"/run/media/anne/X"_s << u"exfat"_s << u"/dev/sdc1"_s << u"/"_s << true << amovible;
        QTest::newRow("home") << u"/home"_s << u"ext4"_s << u"/dev/sda3"_s << u"/"_s << false << fixe;
        QTest::newRow("btrfs subvolume") << u"/home"_s << u"btrfs"_s << u"/dev/sda3"_s << u"/@home"_s << false << fixe;
        QTest::newRow("bind mount") << u"/etc/hosts"_s << u"ext4"_s << u"/dev/sda3"_s << u"/var/lib/docker/h"_s << false << -1;
        QTest::newRow("nfs") << u"/mnt/nas"_s << u"nfs4"_s << u"nas:/photos"_s << u"/"_s << false << int(TTypeLecteur::Reseau);
        QTest::newRow("cifs") << u"/mnt/win"_s << u"cifs"_s << u"//pc/photos"_s << u"/"_s << false << int(TTypeLecteur::Reseau);
        QTest::newRow("sshfs") << u"/mnt/ssh"_s << u"fuse.sshfs"_s << u"anne@pc:"_s << u"/"_s << false << int(TTypeLecteur::Reseau);
        QTest::newRow("dvd") << u"/media/cdrom"_s << u"iso9660"_s << u"/dev/sr0"_s << u"/"_s << true << int(TTypeLecteur::CDROM);
        QTest::newRow("udf") << u"/media/bd"_s << u"udf"_s << u"/dev/sr0"_s << u"/"_s << true << int(TTypeLecteur::CDROM);
        QTest::newRow("tmp") << u"/tmp"_s << u"tmpfs"_s << u"tmpfs"_s << u"/"_s << false << int(TTypeLecteur::DisqueRAM);
        QTest::newRow("ramfs") << u"/mnt/ram"_s << u"ramfs"_s << u"none"_s << u"/"_s << false << int(TTypeLecteur::DisqueRAM);
        QTest::newRow("run") << u"/run"_s << u"tmpfs"_s << u"tmpfs"_s << u"/"_s << false << -1;
        QTest::newRow("run user") << u"/run/user/1000"_s << u"tmpfs"_s << u"tmpfs"_s << u"/"_s << false << -1;
        QTest::newRow("dev shm") << u"/dev/shm"_s << u"tmpfs"_s << u"tmpfs"_s << u"/"_s << false << -1;
        QTest::newRow("proc") << u"/proc"_s << u"proc"_s << u"proc"_s << u"/"_s << false << -1;
        QTest::newRow("sysfs") << u"/sys"_s << u"sysfs"_s << u"sysfs"_s << u"/"_s << false << -1;
        QTest::newRow("cgroup") << u"/sys/fs/cgroup"_s << u"cgroup2"_s << u"cgroup"_s << u"/"_s << false << -1;
        QTest::newRow("devpts") << u"/dev/pts"_s << u"devpts"_s << u"devpts"_s << u"/"_s << false << -1;
        QTest::newRow("overlay") << u"/var/lib/docker/overlay2/m"_s << u"overlay"_s << u"overlay"_s << u"/"_s << false << -1;
        QTest::newRow("snap") << u"/snap/core/1"_s << u"squashfs"_s << u"/dev/loop3"_s << u"/"_s << false << -1;
        QTest::newRow("efi vars") << u"/boot/efi"_s << u"vfat"_s << u"/dev/nvme0n1p1"_s << u"/"_s << false << fixe;
        QTest::newRow("gvfs") << u"/home/a/.gvfs"_s << u"fuse.gvfsd-fuse"_s << u"gvfsd-fuse"_s << u"/"_s << false << -1;
    }
    void typeMontage()
    {
        QFETCH(QString, point);
        QFETCH(QString, fs);
        QFETCH(QString, source);
        QFETCH(QString, racine);
        QFETCH(bool, amovible);
        QFETCH(int, type);
        const TMontage m{racine, point, fs, source, u"8:1"_s};
        const std::optional<TTypeLecteur> t = TypeDuMontage(m, amovible);
        QCOMPARE(t ? int(*t) : -1, type);
    }

    void serieUUID_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<quint32>("serie");
        QTest::newRow("fat") << u"1A2B-3C4D"_s << 0x1A2B3C4Du;
        QTest::newRow("fat lower") << u"00f0-0a01"_s << 0x00F00A01u;
        QTest::newRow("ntfs") << u"0123456789ABCDEF"_s << 0x89ABCDEFu;
        QTest::newRow("ext4") << u"3e6be9de-8139-11d1-9106-a43f08d823a6"_s << 0u;
        QTest::newRow("short") << u"1A2B-3C4"_s << 0u;
        QTest::newRow("empty") << QString() << 0u;
    }
    void serieUUID()
    {
        QFETCH(QString, nom);
        QFETCH(quint32, serie);
        QCOMPARE(SerieDepuisUUID(nom), serie);
    }

    void secteurBoot_data()
    {
        QTest::addColumn<QByteArray>("secteur");
        QTest::addColumn<bool>("lu");
        QTest::addColumn<quint32>("serie");
        QTest::addColumn<QString>("nom");
        const auto secteur = [](int offsetSignature, const QByteArray &nom, bool fat32) {
            QByteArray s(512, '\0');
            s[0x0B] = 0x00; s[0x0C] = 0x02; // 512 bytes per sector
            if (!fat32)
                s[0x16] = 0x20;
            s[offsetSignature] = 0x29;
            s[offsetSignature + 1] = 0x4D; s[offsetSignature + 2] = 0x3C;
            s[offsetSignature + 3] = 0x2B; s[offsetSignature + 4] = 0x1A;
            s.replace(offsetSignature + 5, 11, nom.leftJustified(11, ' '));
            s[510] = char(0x55); s[511] = char(0xAA);
            return s;
        };
        QTest::newRow("fat32") << secteur(0x42, "EOS_DIGITAL", true) << true << 0x1A2B3C4Du << u"EOS_DIGITAL"_s;
        QTest::newRow("fat16") << secteur(0x26, "CARTE", false) << true << 0x1A2B3C4Du << u"CARTE"_s;
        QTest::newRow("no name") << secteur(0x42, "NO NAME", true) << true << 0x1A2B3C4Du << QString();
        QByteArray exfat(512, '\0');
        exfat.replace(3, 8, "EXFAT   ");
        exfat[0x64] = 0x44; exfat[0x65] = 0x33; exfat[0x66] = 0x22; exfat[0x67] = 0x11;
        exfat[510] = char(0x55); exfat[511] = char(0xAA);
        QTest::newRow("exfat") << exfat << true << 0x11223344u << QString();
        QByteArray sansSignature = secteur(0x42, "X", true);
        sansSignature[511] = 0;
        QTest::newRow("no 55AA") << sansSignature << false << 0u << QString();
        QTest::newRow("ext4 zeros") << QByteArray(512, '\0') << false << 0u << QString();
        QTest::newRow("short") << secteur(0x42, "X", true).left(300) << false << 0u << QString();
    }
    void secteurBoot()
    {
        QFETCH(QByteArray, secteur);
        QFETCH(bool, lu);
        QFETCH(quint32, serie);
        QFETCH(QString, nom);
        const std::optional<TSecteurBoot> r = LireSecteurBoot(secteur);
        QCOMPARE(r.has_value(), lu);
        if (r) {
            QCOMPARE(r->Serie, serie);
            QCOMPARE(r->Nom, nom);
        }
    }

    // A machine laid out in a folder: mountinfo, udev's links, sysfs, a card's boot sector.
    void volumesAssembles()
    {
        QTemporaryDir racine;
        const QString r = racine.path();
        const auto ecrire = [&](const QString &chemin, const QByteArray &contenu) {
            QVERIFY(QDir().mkpath(QFileInfo(r + chemin).path()));
            QFile f(r + chemin);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contenu);
        };
        const auto lien = [&](const QString &cible, const QString &chemin) {
            QVERIFY(QDir().mkpath(QFileInfo(r + chemin).path()));
            QVERIFY(QFile::link(cible, r + chemin));
        };
        ecrire(u"/proc/self/mountinfo"_s,
               "22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
               "30 22 8:17 / /media/anne/EOS_DIGITAL rw,nosuid - vfat /dev/sdb1 rw\n"
               "31 22 179:1 / /media/anne/CARTE\\0402 rw - exfat /dev/mmcblk0p1 rw\n"
               "32 22 0:50 / /mnt/nas rw - nfs4 nas:/photos rw\n"
               "33 22 0:51 / /proc rw - proc proc rw\n"
               "34 22 0:52 / /tmp rw - tmpfs tmpfs rw\n"
               "35 22 8:3 / /home rw - ext4 /dev/sda3 rw\n"
               "36 35 8:4 / /home rw - ext4 /dev/sda4 rw\n");
        QByteArray exfat(512, '\0');
        exfat.replace(3, 8, "EXFAT   ");
        exfat[0x64] = 0x44; exfat[0x65] = 0x33; exfat[0x66] = 0x22; exfat[0x67] = 0x11;
        exfat[510] = char(0x55); exfat[511] = char(0xAA);
        for (const QString &d : {u"sda2"_s, u"sda3"_s, u"sda4"_s, u"sdb1"_s})
            ecrire(u"/dev/"_s + d, QByteArray(512, '\0'));
        ecrire(u"/dev/mmcblk0p1"_s, exfat);
        lien(u"../../sdb1"_s, u"/dev/disk/by-uuid/1A2B-3C4D"_s);
        lien(u"../../sda2"_s, u"/dev/disk/by-uuid/3e6be9de-8139-11d1-9106-a43f08d823a6"_s);
        lien(u"../../sdb1"_s, u"/dev/disk/by-label/EOS_DIGITAL"_s);
        for (const auto &[disque, partition, amovible] :
             {std::tuple{u"pci/block/sda"_s, u"sda2"_s, "0"}, {u"pci/block/sda"_s, u"sda3"_s, "0"},
              {u"pci/block/sda"_s, u"sda4"_s, "0"}, {u"pci/block/sdb"_s, u"sdb1"_s, "1\n"},
              {u"mmc/block/mmcblk0"_s, u"mmcblk0p1"_s, "0"}}) {
            ecrire(u"/sys/devices/"_s + disque + u"/removable"_s, amovible);
            ecrire(u"/sys/devices/"_s + disque + u'/' + partition + u"/partition"_s, "1");
            lien(u"../../devices/"_s + disque + u'/' + partition, u"/sys/class/block/"_s + partition);
        }
        ecrire(u"/sys/devices/mmc/block/mmcblk0/device/type"_s, "SD\n");

        const QList<TVolume> v = TVolumesSysteme(r).Volumes();
        QStringList points;
        for (const TVolume &x : v)
            points << x.PointMontage;
        QCOMPARE(points, (QStringList{u"/"_s, u"/home/"_s, u"/media/anne/CARTE 2/"_s,
                                      u"/media/anne/EOS_DIGITAL/"_s, u"/mnt/nas/"_s, u"/tmp/"_s}));
        QCOMPARE(v[0].Type, TTypeLecteur::Fixe);
        QCOMPARE(v[0].Serie, 0u); // an ext4 UUID is no 32-bit serial
        QCOMPARE(v[1].Peripherique, u"/dev/sda4"_s); // the mount on top
        QCOMPARE(v[2].Type, TTypeLecteur::Amovible); // an SD card
        QCOMPARE(v[2].Serie, 0x11223344u);           // from its boot sector
        QCOMPARE(v[3].Type, TTypeLecteur::Amovible);
        // Label and serial from /dev/disk/by-label and the boot sector (the folder tree
        // writes them "1A2B-3C4D - "EOS_DIGITAL"").
        QCOMPARE(v[3].Nom, u"EOS_DIGITAL"_s);
        QCOMPARE(v[3].Serie, 0x1A2B3C4Du);
        QCOMPARE(v[4].Type, TTypeLecteur::Reseau);
        QCOMPARE(v[5].Type, TTypeLecteur::DisqueRAM);
    }

    // A mount point whose name is not UTF-8 keeps its bytes, so that its folder is found.
    void pointNonUtf8()
    {
        const QList<TMontage> m = LireMountInfo("40 22 8:33 / /media/anne/caf\\351 rw - vfat /dev/sdc1 rw\n");
        QCOMPARE(m.size(), 1);
        QCOMPARE(NomEnOctets(m[0].PointMontage), QByteArray("/media/anne/caf\xE9"));
    }

    // Hostile files where the system's are looked for: the mount table a fifo or a link
    // to /dev/zero, a card's "device" a fifo. Nothing is waited on nor read without end
    // (in a child under a time and a memory limit): the root alone is shown, or the card
    // without its serial.
    void fichiersSystemeHostiles_data()
    {
        QTest::addColumn<QString>("cas");
        QTest::newRow("mountinfo: tube") << u"mountinfo tube"_s;
        QTest::newRow("mountinfo: lien vers /dev/zero") << u"mountinfo zéro"_s;
        QTest::newRow("mountinfo: dossier") << u"mountinfo dossier"_s;
        QTest::newRow("carte: tube") << u"carte tube"_s;
        QTest::newRow("carte: lien vers /dev/zero") << u"carte zéro"_s;
        QTest::newRow("removable: tube") << u"removable tube"_s;
    }
    void fichiersSystemeHostiles()
    {
        QFETCH(QString, cas);
        QTemporaryDir racine;
        const QByteArray r = QFile::encodeName(racine.path());
        QVERIFY(QDir().mkpath(racine.path() + u"/proc/self"_s));
        QVERIFY(QDir().mkpath(racine.path() + u"/dev"_s));
        QVERIFY(QDir().mkpath(racine.path() + u"/sys/devices/usb/block/sdb/sdb1"_s));
        QVERIFY(QDir().mkpath(racine.path() + u"/sys/class/block"_s));
        QVERIFY(::symlink("../../devices/usb/block/sdb/sdb1", (r + "/sys/class/block/sdb1").constData()) == 0);
        QVERIFY(QFile(racine.path() + u"/sys/devices/usb/block/sdb/sdb1/partition"_s).open(QIODevice::WriteOnly));
        const QByteArray mountinfo = r + "/proc/self/mountinfo";
        const QByteArray carte = r + "/dev/sdb1";
        const QByteArray amovible = r + "/sys/devices/usb/block/sdb/removable";
        QFile table(QFile::decodeName(mountinfo));
        if (cas == u"mountinfo tube"_s)
            QVERIFY(::mkfifo(mountinfo.constData(), 0644) == 0);
        else if (cas == u"mountinfo zéro"_s)
            QVERIFY(::symlink("/dev/zero", mountinfo.constData()) == 0);
        else if (cas == u"mountinfo dossier"_s)
            QVERIFY(::mkdir(mountinfo.constData(), 0755) == 0);
        else
            QVERIFY(table.open(QIODevice::WriteOnly)
                    && table.write("22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                                   "30 22 8:17 / /media/anne/CARTE rw - vfat /dev/sdb1 rw\n") > 0);
        table.close();
        if (cas == u"carte tube"_s)
            QVERIFY(::mkfifo(carte.constData(), 0644) == 0);
        else if (cas == u"carte zéro"_s)
            QVERIFY(::symlink("/dev/zero", carte.constData()) == 0);
        else
            QVERIFY(QFile(QFile::decodeName(carte)).open(QIODevice::WriteOnly));
        if (cas == u"removable tube"_s)
            QVERIFY(::mkfifo(amovible.constData(), 0644) == 0);
        const bool tableLue = !cas.startsWith(u"mountinfo"_s);

        const int etat = DansUnFils([&] {
            const QList<TVolume> v = TVolumesSysteme(racine.path()).Volumes();
            QStringList points;
            for (const TVolume &x : v)
                points << x.PointMontage + u' ' + QString::number(x.Serie);
            const QStringList attendus = tableLue ? QStringList{u"/ 0"_s, u"/media/anne/CARTE/ 0"_s}
                                                  : QStringList{u"/ 0"_s};
            if (points != attendus)
                std::fprintf(stderr, "volumes: %s\n", qPrintable(points.join(u", "_s)));
            ::_exit(points == attendus ? 0 : 1);
        }, true);
        QVERIFY2(WIFEXITED(etat), "reading the system's files hung or ran out of memory");
        QCOMPARE(WEXITSTATUS(etat), 0);
    }

    // The desktop and documents folders of the tree's shell nodes, with anything but a
    // regular file as user-dirs.dirs: the defaults, at once, instead of a program that
    // hangs at start (a fifo) or eats the memory (a link to /dev/zero).
    void dossiersBureauSansAttente_data()
    {
        QTest::addColumn<bool>("tube");
        QTest::newRow("tube") << true;
        QTest::newRow("lien vers /dev/zero") << false;
    }
    void dossiersBureauSansAttente()
    {
        QFETCH(bool, tube);
        QTemporaryDir maison;
        QVERIFY(QDir().mkpath(maison.path() + u"/.config"_s));
        const QByteArray fichier = QFile::encodeName(maison.path() + u"/.config/user-dirs.dirs"_s);
        QVERIFY(tube ? ::mkfifo(fichier.constData(), 0644) == 0 : ::symlink("/dev/zero", fichier.constData()) == 0);
        const int etat = DansUnFils([&] {
            qputenv("HOME", QFile::encodeName(maison.path()));
            qunsetenv("XDG_CONFIG_HOME");
            const TVolumesSysteme volumes;
            const bool bon = volumes.DossierBureau() == maison.path() + u"/Desktop"_s
                && volumes.DossierDocuments() == maison.path() + u"/Documents"_s;
            ::_exit(bon ? 0 : 1);
        }, true);
        QVERIFY2(WIFEXITED(etat), "asking for the desktop folder hung or ran out of memory");
        QCOMPARE(WEXITSTATUS(etat), 0);
    }

    // The machine's own volumes: the root comes first and nothing of the system shows.
    void volumesSysteme()
    {
        const QList<TVolume> v = TVolumesSysteme::Instance().Volumes();
        QVERIFY(!v.isEmpty());
        QCOMPARE(v.first().PointMontage, u"/"_s);
        for (const TVolume &x : v) {
            QVERIFY(x.PointMontage.endsWith(u'/'));
            QVERIFY2(!x.PointMontage.startsWith(u"/proc"_s) && !x.PointMontage.startsWith(u"/sys/"_s),
                     qPrintable(x.PointMontage));
        }
    }
};

QTEST_GUILESS_MAIN(TestVolumes)
#include "tst_volumes.moc"
