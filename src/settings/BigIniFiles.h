// The settings file: an INI text kept in memory as its lines, every line it does not
// change preserved as it stands, and written back whole.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One section of the file: its name as written (without the brackets) and the number of
// its header line in Lignes(), counted from 0.
struct TSectionIni {
    QString Nom;
    int Ligne = 0;
};

class TBigIniFile final {
public:
    // Reads the file. A missing or unreadable file gives no lines and no error. Only a
    // regular file (or a link to one) is read, without waiting and no further than its
    // size when opened: a fifo, a device or a folder of that name counts as unreadable.
    explicit TBigIniFile(const QString &nomFichier);
    // Releases the lines; never saves.
    ~TBigIniFile();
    TBigIniFile(const TBigIniFile &) = delete;
    TBigIniFile &operator=(const TBigIniFile &) = delete;

    const QString &NomFichier() const { return m_nomFichier; }

    // When set (the default), every write saves the whole file at once.
    bool AutoSave() const { return m_autoSave; }
    void SetAutoSave(bool autoSave) { m_autoSave = autoSave; }

    const QStringList &Lignes() const { return m_lignes; }
    const QList<TSectionIni> &Sections() const { return m_sections; }

    // Section names match in upper case, keys exactly; the first section and the first
    // entry of a key win. Lines before the first header are never read.

    // The key's value (an empty value gives the empty text), or `defaut` when missing.
    QString ReadString(const QString &section, const QString &cle, const QString &defaut) const;
    // An optional sign and decimal digits within 32 bits; anything else gives `defaut`.
    int ReadInteger(const QString &section, const QString &cle, int defaut) const;
    // ReadInteger with 1 or 0 as the default, true when not 0.
    bool ReadBool(const QString &section, const QString &cle, bool defaut) const;
    bool ValueExists(const QString &section, const QString &cle) const;

    // Sets the key's line "key=value": replaced in place, or inserted after the section's
    // last line, or appended with a new header for a new section. A section, key or value
    // holding a line break cannot be stored as one line: false, and nothing changes.
    bool WriteString(const QString &section, const QString &cle, const QString &valeur);
    bool WriteInteger(const QString &section, const QString &cle, int valeur);  // decimal
    bool WriteBool(const QString &section, const QString &cle, bool valeur);    // "1" / "0"

    // Replaces the file with Lignes() in UTF-8, every line ended by CR LF. The file is
    // written to a temporary file beside it and renamed over it, so a failure never leaves
    // it half-written. False, with the file untouched, when the file is read-only, the
    // folder refuses the new file, the disk is full, or the file existed but could not be
    // read (replacing it would lose its contents; a fifo or a device is never replaced).
    // Callers may ignore the result.
    bool UpdateFile();

private:
    int ChercherSection(const QString &section) const;  // index in m_sections, or -1
    int FinSection(int indexSection) const;              // one past the section's last line
    int ChercherLigne(int indexSection, const QString &cle) const;  // line number, or -1
    void Lire();

    QString m_nomFichier;
    bool m_autoSave = true;
    bool m_illisible = false;  // something has the file's name but could not be read as it
    bool m_bom = false;        // the file began with a UTF-8 byte order mark
    QStringList m_lignes;
    QList<TSectionIni> m_sections;
    QStringList m_nomsMajuscules;  // m_sections' names in upper case, same order
};
