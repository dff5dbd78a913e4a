#!/usr/bin/env python3
"""Derives the expected texts of the sample camera images from an independent reader.

Reads `exiv2 -pv` (raw values: rationals as fractions) for each image of the corpus
`cameras/` folder and applies the program's text rules, in a French locale, with exact
fractions. Writes one line per image: name, Valide (1/0), camera, focal length, exposure
time, aperture, date, ISO, separated by tabs.

    python3 tests/data/deriver-cameras.py ../shared/corpus/cameras > tests/data/cameras.tsv
"""
import os
import subprocess
import sys
from fractions import Fraction

VALEURS = {0x0110: 'A', 0x920A: 'F', 0x829A: 'V', 0x829D: 'D', 0x9003: 'P', 0x8827: 'I'}


def signe(n):
    return n - (1 << 32) if n >= 1 << 31 else n


def fixe(q, decimales):
    """q with `decimales` decimals, halves away from zero, French separator."""
    echelle = 10 ** decimales
    n = q * echelle
    entier = int(n)
    if n - entier >= Fraction(1, 2):
        entier += 1
    texte = str(entier).rjust(decimales + 1, '0')
    return texte[:len(texte) - decimales] + (',' + texte[-decimales:] if decimales else '')


def texte_rationnel(champ, num, den):
    num, den = signe(num), signe(den)
    if num <= 0 or den <= 0:
        return None
    q = Fraction(num, den)
    if champ == 'V':
        return '1/' + fixe(1 / q, 0) + '\u00b0' if num < den else fixe(q, 0)
    if q.denominator == 1:
        return str(q.numerator)
    return fixe(q, 2 if champ == 'F' else 1)


def lignes_exiv2(chemin):
    sortie = subprocess.run(['exiv2', '-pv', chemin], capture_output=True).stdout
    for brute in sortie.decode('utf-8', 'replace').splitlines():
        morceaux = brute.split(None, 5)
        if len(morceaux) < 5 or not morceaux[0].startswith('0x'):
            continue
        tag, groupe, nom, genre, nombre = morceaux[:5]
        valeur = morceaux[5] if len(morceaux) > 5 else ''
        yield int(tag, 16), groupe, nom, genre, int(nombre), valeur


def deriver(chemin):
    textes = dict.fromkeys('AFVDPI', '')
    lu = False
    iso_nikon = None
    for tag, groupe, nom, genre, nombre, valeur in lignes_exiv2(chemin):
        lu = True
        if groupe == 'Nikon3' and tag == 0x0002 and genre == 'Short':
            iso_nikon = valeur.split()[1]
        if groupe not in ('Image', 'Photo') or tag not in VALEURS:
            continue
        champ = VALEURS[tag]
        if champ == 'A':
            textes['A'] = valeur.strip(''.join(chr(c) for c in range(33)))
        elif champ == 'P':
            if len(valeur) == 19:
                textes['P'] = valeur[8:10] + '/' + valeur[5:7] + '/' + valeur[0:4]
        elif champ == 'I':
            textes['I'] = valeur.split()[0]
        else:
            num, den = (int(x) for x in valeur.split()[0].split('/'))
            t = texte_rationnel(champ, num & 0xFFFFFFFF, den & 0xFFFFFFFF)
            if t is not None:
                textes[champ] = t
    if not textes['I'] and iso_nikon is not None:
        textes['I'] = iso_nikon
    valide = lu and any(textes.values())
    return ['1' if valide else '0'] + [textes[c] for c in 'AFVDPI']


def main():
    dossier = sys.argv[1]
    for nom in sorted(os.listdir(dossier)):
        if nom.lower().endswith(('.jpg', '.jpeg')):
            print('\t'.join([nom] + deriver(os.path.join(dossier, nom))))


if __name__ == '__main__':
    main()
