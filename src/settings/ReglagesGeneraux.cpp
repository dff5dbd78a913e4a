#include "settings/ReglagesGeneraux.h"

#include "commun/Chemins.h"
#include "commun/Dossiers.h"
#include "commun/NomsFichiers.h"
#include "engine/OptionsNommage.h"
#include "settings/BigIniFiles.h"

using namespace Qt::StringLiterals;

QString CheminFichierReglages()
{
    return DossierFichiersProgramme() + u"Clarvane.ini"_s;
}

QString SectionGenerale()
{
    return u"GENERAL"_s;
}

namespace {

// A folder's path is stored as text: the bytes of a name that is not UTF-8 as "\xHH"
// (NomLisible), turned back into those bytes when read. A stored path that names an
// existing folder as it stands (a name really holding "\xE9") is taken as it stands.
QString LireDossier(const TBigIniFile &fichier, const QString &cle)
{
    const QString section = SectionGenerale();
    if (!fichier.ValueExists(section, cle))
        return DossierParDefaut();
    const QString texte = fichier.ReadString(section, cle, QString());
    // An installed program's own folder is what earlier versions stored as their default;
    // no photographer keeps pictures there, and a rename run would rename programs.
    const QString programme = DossierProgramme();
    if (!texte.isEmpty() && AvecBarreFinale(texte) == programme && ProgrammeInstalle(programme))
        return DossierParDefaut();
    const QString dossier = NomDepuisLisible(texte);
    if (dossier == texte || EstDossier(NomEnOctets(texte)))
        return texte;
    return dossier;
}

} // namespace

TEnrOptions ChargerOptions(const TBigIniFile &fichier)
{
    const QString s = SectionGenerale();
    const TEnrOptions defaut;
    TEnrOptions o;
    o.cDossSrc = LireDossier(fichier, u"cDossSrc"_s);
    o.lLectRecurs = fichier.ReadBool(s, u"lLectRecurs"_s, defaut.lLectRecurs);
    o.cDossDst = LireDossier(fichier, u"cDossDst"_s);
    o.lCopier = fichier.ReadBool(s, u"lCopier"_s, defaut.lCopier);
    o.cOrdreDonEXIF = fichier.ReadString(s, u"cOrdreDonEXIF"_s, defaut.cOrdreDonEXIF);
    o.nCFDatePDVC = fichier.ReadInteger(s, u"nCFDatePDVC"_s, defaut.nCFDatePDVC);
    o.nCFDatePDVF = fichier.ReadInteger(s, u"nCFDatePDVF"_s, defaut.nCFDatePDVF);
    o.nDatePDVSep = fichier.ReadInteger(s, u"nDatePDVSep"_s, defaut.nDatePDVSep);
    o.lDatePDVHierCompoSiCopie =
        fichier.ReadBool(s, u"lDatePDVHierCompoSiCopie"_s, defaut.lDatePDVHierCompoSiCopie);
    o.nSep = fichier.ReadInteger(s, u"nSep"_s, defaut.nSep);
    // Only 0 turns the newer formats off; any other value, or none, keeps them.
    o.lFormatsEtendus = fichier.ReadBool(s, u"lFormatsEtendus"_s, defaut.lFormatsEtendus);
    // Only 0 turns the verification of the copies off: absent, empty or anything else keeps it.
    o.lVerifierCopies = fichier.ReadString(s, u"lVerifierCopies"_s, QString()) != u"0"_s;
    return NormaliserOptions(o);
}

void SauverOptions(TBigIniFile &fichier, const TEnrOptions &o)
{
    const QString s = SectionGenerale();
    fichier.WriteString(s, u"cDossSrc"_s, NomLisible(o.cDossSrc));
    fichier.WriteBool(s, u"lLectRecurs"_s, o.lLectRecurs);
    fichier.WriteString(s, u"cDossDst"_s, NomLisible(o.cDossDst));
    fichier.WriteBool(s, u"lCopier"_s, o.lCopier);
    fichier.WriteString(s, u"cOrdreDonEXIF"_s, o.cOrdreDonEXIF);
    fichier.WriteInteger(s, u"nCFDatePDVC"_s, o.nCFDatePDVC);
    fichier.WriteInteger(s, u"nCFDatePDVF"_s, o.nCFDatePDVF);
    fichier.WriteInteger(s, u"nDatePDVSep"_s, o.nDatePDVSep);
    fichier.WriteBool(s, u"lDatePDVHierCompoSiCopie"_s, o.lDatePDVHierCompoSiCopie);
    fichier.WriteInteger(s, u"nSep"_s, o.nSep);
}
