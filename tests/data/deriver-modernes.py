#!/usr/bin/env python3
"""Derives the expected texts of the sample images of today's formats from exiftool.

Reads `exiftool -v` for each file of the corpus `modern/` folder (it prints each rational
with its fraction, "ExposureTime = 0.25 (1/4)", and reads CR3, HEIF, AVIF and the TIFF
raws), keeps the six tags of IFD0 and of the Exif IFD (the Exif IFD's value wins), and the
Panasonic ISO tag of a RW2's IFD0 when the Exif IFD has none; then applies the program's
text rules, as deriver-cameras.py does, in a French locale. Where `exiv2 -pv` reads the
same file, its values are compared and any difference is printed on stderr.

    python3 tests/data/deriver-modernes.py ../shared/corpus/modern > tests/data/modern.tsv
"""
import importlib.util
import os
import re
import subprocess
import sys
from fractions import Fraction

_spec = importlib.util.spec_from_file_location(
    'deriver_cameras', os.path.join(os.path.dirname(os.path.abspath(__file__)), 'deriver-cameras.py'))
cameras = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(cameras)

NOMS = {'Model': 'A', 'FocalLength': 'F', 'ExposureTime': 'V', 'FNumber': 'D',
        'DateTimeOriginal': 'P', 'ISO': 'I'}
LIGNE = re.compile(r'^( *(?:\| )*)\s*(?:\d+\)\s+)?(\w+) = (.*)$')
DOSSIER = re.compile(r'^( *(?:\| )*)\+ \[(\w+) directory')


def niveau(prefixe):
    return prefixe.count('|')


def valeurs_exiftool(chemin):
    """{directory: {letter: raw value text}} for IFD0, ExifIFD and PanasonicRaw."""
    sortie = subprocess.run(['exiftool', '-v', chemin], capture_output=True).stdout
    pile = []  # (level, directory name)
    trouve = {}
    for ligne in sortie.decode('utf-8', 'replace').splitlines():
        m = DOSSIER.match(ligne)
        if m:
            n = niveau(m.group(1))
            while pile and pile[-1][0] >= n:
                pile.pop()
            pile.append((n, m.group(2)))
            continue
        m = LIGNE.match(ligne)
        if not m or not pile:
            continue
        n = niveau(m.group(1))
        while pile and pile[-1][0] >= n:
            pile.pop()
        if not pile or m.group(2) not in NOMS:
            continue
        trouve.setdefault(pile[-1][1], {}).setdefault(NOMS[m.group(2)], m.group(3))
    return trouve


def texte(champ, valeur):
    if champ == 'A':
        return valeur.strip(''.join(chr(c) for c in range(33)))
    if champ == 'P':
        return valeur[8:10] + '/' + valeur[5:7] + '/' + valeur[0:4] if len(valeur) == 19 else None
    if champ == 'I':
        return valeur.split()[0]
    m = re.search(r'\((-?\d+)/(-?\d+)\)$', valeur)
    if not m:
        return None
    return cameras.texte_rationnel(champ, int(m.group(1)) & 0xFFFFFFFF, int(m.group(2)) & 0xFFFFFFFF)


def deriver(chemin):
    dossiers = valeurs_exiftool(chemin)
    textes = dict.fromkeys('AFVDPI', '')
    for dossier in ('IFD0', 'ExifIFD'):
        for champ, valeur in dossiers.get(dossier, {}).items():
            t = texte(champ, valeur)
            if t is not None:
                textes[champ] = t
    if not textes['I'] and 'I' in dossiers.get('PanasonicRaw', {}):
        textes['I'] = texte('I', dossiers['PanasonicRaw']['I'])
    valide = any(textes.values())
    return ['1' if valide else '0'] + [textes[c] for c in 'AFVDPI']


def main():
    dossier = sys.argv[1]
    for nom in sorted(os.listdir(dossier)):
        chemin = os.path.join(dossier, nom)
        ligne = deriver(chemin)
        autre = cameras.deriver(chemin)
        if autre[0] == '1' and autre != ligne:
            print(f'{nom}: exiv2 gives {autre}', file=sys.stderr)
        print('\t'.join([nom] + ligne))


if __name__ == '__main__':
    main()
