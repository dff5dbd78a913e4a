#include "ConstructeurFilm.h"

#include <QDateTime>

#include "ConstructeurEXIF.h"

namespace {

const QByteArray kUuidCanon("\x85\xC0\xB6\x87\x82\x0F\x11\xE0\x81\x11\xF4\xCE\x46\x2B\x6A\x48", 16);

QByteArray GB64(quint64 v)
{
    return GB32(quint32(v >> 32)) + GB32(quint32(v));
}

// A box of a type given by its bytes ("\xA9mod").
QByteArray Boite(const QByteArray &type, const QByteArray &contenu)
{
    return GB32(quint32(8 + contenu.size())) + type + contenu;
}

// A data atom holding a text of the given type (1: UTF-8), locale 0.
QByteArray AtomeDonnees(const QByteArray &texte, quint32 type = 1)
{
    return BoiteISO("data", GB32(type) + GB32(0) + texte);
}

// A user-data text atom: size, language ("und" packed), text.
QByteArray AtomeUtilisateur(const QByteArray &type, const QByteArray &texte)
{
    return Boite(type, GB16(quint16(texte.size())) + GB16(0x55C4) + texte);
}

QByteArray Mvhd(quint64 creation, bool version1)
{
    QByteArray c;
    if (version1)
        c = GB64(creation) + GB64(creation) + GB32(1000) + GB64(5000);
    else
        c = GB32(quint32(creation)) + GB32(quint32(creation)) + GB32(1000) + GB32(5000);
    // Rate, volume, reserved, matrix, predefined, next track id.
    c += GB32(0x00010000) + GB16(0x0100) + QByteArray(10, '\0') + QByteArray(36, '\0') + QByteArray(24, '\0') + GB32(2);
    return BoitePleine("mvhd", version1 ? 1 : 0, c);
}

QByteArray MetaCles(const TOptionsFilm &o)
{
    QByteArray cles = GB32(quint32(o.cles.size()));
    QByteArray items;
    for (qsizetype i = 0; i < o.cles.size(); ++i) {
        cles += GB32(quint32(8 + o.cles[i].first.size())) + "mdta" + o.cles[i].first;
        items += GB32(quint32(8 + 8 + 8 + o.cles[i].second.size())) + GB32(quint32(i + 1))
            + AtomeDonnees(o.cles[i].second, o.typeDonnees);
    }
    const QByteArray hdlr = BoitePleine("hdlr", 0, GB32(0) + "mdta" + QByteArray(12, '\0') + QByteArray(1, '\0'));
    // QuickTime's meta box: no version and flags, its hdlr first.
    return BoiteISO("meta", hdlr + BoitePleine("keys", 0, cles) + BoiteISO("ilst", items));
}

QByteArray Udta(const TOptionsFilm &o)
{
    QByteArray atomes;
    if (o.listeUtilisateur) {
        QByteArray items;
        if (!o.modele.isNull())
            items += Boite("\xA9mod", AtomeDonnees(o.modele));
        if (!o.date.isNull())
            items += Boite("\xA9" "day", AtomeDonnees(o.date));
        const QByteArray hdlr = BoitePleine("hdlr", 0, GB32(0) + "mdir" + "appl" + QByteArray(8, '\0') + QByteArray(1, '\0'));
        atomes += BoitePleine("meta", 0, hdlr + BoiteISO("ilst", items));
    } else {
        if (!o.modele.isNull())
            atomes += AtomeUtilisateur("\xA9mod", o.modele);
        if (!o.date.isNull())
            atomes += AtomeUtilisateur("\xA9" "day", o.date);
    }
    atomes += Boite("\xA9swr", GB16(4) + GB16(0x55C4) + "Test");
    return BoiteISO("udta", atomes);
}

} // namespace

QByteArray EnteteMdat(quint64 octets, bool taille64)
{
    if (taille64 || octets + 8 > 0xFFFFFFFFu)
        return GB32(1) + "mdat" + GB64(octets + 16);
    return GB32(quint32(octets + 8)) + "mdat";
}

QByteArray DebutFilm(const TOptionsFilm &o)
{
    if (!o.marque.isEmpty())
        return BoiteISO("ftyp", o.marque + GB32(0x200) + o.marque + "mp41");
    if (o.premiere == "wide" || o.premiere == "free" || o.premiere == "skip")
        return BoiteISO(o.premiere.constData(), {});
    return {};
}

QByteArray MoovFilm(const TOptionsFilm &o)
{
    QByteArray canon;
    if (!o.cmt1.isEmpty() || !o.cmt2.isEmpty()) {
        QByteArray boites = BoiteISO("CNCV", "CanonCRM0001/02.09.00/00.00.00");
        if (!o.cmt1.isEmpty())
            boites += BoiteISO("CMT1", o.cmt1);
        if (!o.cmt2.isEmpty())
            boites += BoiteISO("CMT2", o.cmt2);
        boites += BoiteISO("THMB", QByteArray(600, '\x77'));
        canon = BoiteISO("uuid", kUuidCanon + boites);
    }
    QByteArray moov;
    if (!o.canonApres)
        moov += canon;
    if (o.creation)
        moov += Mvhd(*o.creation, o.mvhdVersion1);
    for (int i = 0; i < o.pistes; ++i)
        moov += BoiteISO("trak", BoiteISO("tkhd", QByteArray(qMax(0, o.octetsPiste - 16), '\x11')));
    if (!o.modele.isNull() || !o.date.isNull())
        moov += Udta(o);
    if (!o.cles.isEmpty())
        moov += MetaCles(o);
    if (o.canonApres)
        moov += canon;
    return BoiteISO("moov", moov, o.moov64);
}

QByteArray FilmAvecValeurs(const TOptionsFilm &o)
{
    QByteArray media(o.octetsMdat, '\0');
    for (int i = 0; i < o.octetsMdat; ++i)
        media[i] = char((i * 31 + 7) & 0xFF);
    const QByteArray mdat = EnteteMdat(quint64(o.octetsMdat), o.mdat64) + media;
    const QByteArray moov = MoovFilm(o);
    QByteArray debut = DebutFilm(o);
    if (o.marque.isEmpty() && o.premiere == "moov")
        return moov + mdat;
    if (o.marque.isEmpty() && o.premiere == "mdat")
        return mdat + moov;
    return debut + (o.moovApresMdat ? mdat + moov : moov + mdat);
}

quint64 Secondes1904(int annee, int mois, int jour, int heure, int minute, int seconde)
{
    const QDateTime utc(QDate(annee, mois, jour), QTime(heure, minute, seconde), Qt::UTC);
    const QDateTime origine(QDate(1904, 1, 1), QTime(0, 0), Qt::UTC);
    return quint64(origine.secsTo(utc));
}

QByteArray XMLSony(const QByteArray &modele, const QByteArray &date)
{
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<NonRealTimeMeta xmlns=\"urn:schemas-professionalDisc:nonRealTimeMeta:ver.2.00\" "
                   "lastUpdate=\"2024-08-02T09:15:00+02:00\">\n"
                   "\t<TargetMaterial umidRef=\"060A2B340101010501010D4313000000AB12\"/>\n"
                   "\t<Duration value=\"312\"/>\n"
                   "\t<LtcChangeTable tcFps=\"25\" halfStep=\"false\">\n"
                   "\t\t<LtcChange frameCount=\"0\" value=\"09150000\" status=\"increment\"/>\n"
                   "\t</LtcChangeTable>\n";
    if (!date.isNull())
        x += "\t<CreationDate value=\"" + date + "\"/>\n";
    x += "\t<VideoFormat>\n\t\t<VideoFrame videoCodec=\"AVC_3840_2160_HP@L51\" captureFps=\"25p\"/>\n\t</VideoFormat>\n";
    if (!modele.isNull())
        x += "\t<Device manufacturer=\"Sony\" modelName=\"" + modele + "\" serialNo=\"4294967295\"/>\n";
    x += "\t<RecordingMode type=\"normal\" cacheRec=\"false\"/>\n</NonRealTimeMeta>\n";
    return x;
}
