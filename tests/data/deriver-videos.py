#!/usr/bin/env python3
"""Derives the expected texts of the sample videos from exiftool.

For each file of the corpus `videos/` folder, and for copies of its two real videos into
which exiftool writes the values where cameras and phones put them (QuickTime keys, user
data atoms, the movie header's time), reads what exiftool finds and applies the program's
rules: the camera from Canon's IFD0, else the keys' model (Apple's, then Android's), else
the user data's; the date from Canon's Exif IFD, else the keys' creation date, else the
user data's (the calendar day written before the time), else the movie header's time as a
local date (exiftool's own conversion, `-api QuickTimeUTC`, under TZ=UTC0); the other
values from Canon's Exif IFD, as deriver-modernes.py reads them.

    python3 tests/data/deriver-videos.py ../shared/corpus/videos tests/data/videos.tsv \\
        tests/data/videos-exiftool.tsv

The first file lists the corpus files; the second the copies: name of the copy, source
file, the exiftool arguments that write the values (separated by " ; "), then the same
columns as the first.
"""
import importlib.util
import json
import os
import shutil
import subprocess
import sys
import tempfile

_ici = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location('deriver_modernes', os.path.join(_ici, 'deriver-modernes.py'))
modernes = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(modernes)

# The copies: name, source, the tags written into it.
COPIES = [
    ('iphone.mp4', 'small_video.mp4',
     ['-Keys:Model=iPhone 13 mini', '-Keys:CreationDate=2022-07-14T23:30:00+02:00']),
    ('lumix.mov', 'sample_640x360.mov',
     ['-UserData:Model=DMC-GH5', '-UserData:ContentCreateDate=2021:03:04 05:06:07-08:00']),
    ('entete.mp4', 'small_video.mp4', ['-QuickTime:CreateDate=2023:05:21 20:30:00']),
    ('ordre.mov', 'sample_640x360.mov',
     ['-UserData:Model=HC-X2000', '-QuickTime:CreateDate=2019:12:31 23:59:59',
      '-Keys:CreationDate=2020-01-01T00:30:00+01:00']),
]

ENV = dict(os.environ, TZ='UTC0')


def jour(valeur):
    """dd/mm/yyyy of a date that begins with a calendar day, else None."""
    if not valeur or len(valeur) < 10 or valeur.startswith('0000'):
        return None
    a, m, j = valeur[0:4], valeur[5:7], valeur[8:10]
    if not (a + m + j).isdigit():
        return None
    return j + '/' + m + '/' + a


def deriver(chemin):
    # Canon's box: the TIFF values, as for the images of today's formats.
    ligne = modernes.deriver(chemin)
    textes = dict(zip('AFVDPI', ligne[1:]))
    sortie = subprocess.run(['exiftool', '-j', '-G1', '-a', '-api', 'QuickTimeUTC', chemin],
                            capture_output=True, env=ENV).stdout
    t = json.loads(sortie or b'[{}]')[0]
    # A time of 0 is no date; exiftool writes it 0000:00:00 without the UTC conversion.
    brute = subprocess.run(['exiftool', '-j', '-G1', '-QuickTime:CreateDate', chemin], capture_output=True).stdout
    if str(json.loads(brute or b'[{}]')[0].get('QuickTime:CreateDate', '0000')).startswith('0000'):
        t.pop('QuickTime:CreateDate', None)
    if not textes['A']:
        for nom in ('Keys:Model', 'Keys:AndroidModel', 'UserData:Model'):
            v = str(t.get(nom, '')).strip(''.join(chr(c) for c in range(33)))
            if v:
                textes['A'] = v
                break
    if not textes['P']:
        for nom in ('Keys:CreationDate', 'UserData:ContentCreateDate', 'QuickTime:CreateDate'):
            v = jour(str(t.get(nom, '')))
            if v:
                textes['P'] = v
                break
    valide = any(textes.values())
    return ['1' if valide else '0'] + [textes[c] for c in 'AFVDPI']


def main():
    dossier, corpus, copies = sys.argv[1:4]
    with open(corpus, 'w') as f:
        f.write('# Expected texts of the sample videos in videos/, under a French locale. Derived by\n'
                '# tests/data/deriver-videos.py from exiftool (12.57, Debian 12). Columns: name, Valide,\n'
                '# camera, focal length, exposure time, aperture, date, ISO (tab-separated).\n')
        for nom in sorted(os.listdir(dossier)):
            f.write('\t'.join([nom] + deriver(os.path.join(dossier, nom))) + '\n')
    with tempfile.TemporaryDirectory() as tmp, open(copies, 'w') as f:
        f.write('# Copies of the sample videos with values written by exiftool, and the texts exiftool\n'
                '# reads back (movie header times as local dates under TZ=UTC0). Derived by\n'
                '# tests/data/deriver-videos.py. Columns: copy, source, exiftool arguments (" ; "\n'
                '# between them), Valide, camera, focal length, exposure time, aperture, date, ISO.\n')
        for nom, source, arguments in COPIES:
            copie = os.path.join(tmp, nom)
            shutil.copyfile(os.path.join(dossier, source), copie)
            subprocess.run(['exiftool', '-q', '-overwrite_original'] + arguments + [copie], check=True)
            f.write('\t'.join([nom, source, ' ; '.join(arguments)] + deriver(copie)) + '\n')


if __name__ == '__main__':
    main()
