#!/usr/bin/env python3
"""Runs every case of the golden set through vonnik-cli and compares the outputs.

usage: golden_check.py VONNIK_CLI GOLDEN_DIR [WORK_DIR]
"""
import json, os, shlex, struct, subprocess, sys, tempfile

def frame_pixels(path):
    data = open(path, 'rb').read()
    w, h = struct.unpack_from('<ii', data, 18)
    off = struct.unpack_from('<I', data, 10)[0]
    px = struct.unpack_from('<%dI' % (w * h), data, off)
    return w, h, [p & 0xFFFFFF for p in px]

def same(a, b):
    if isinstance(a, float) or isinstance(b, float):
        return (a == b) or (a != a and b != b)
    return a == b

def main():
    cli, golden = sys.argv[1], sys.argv[2]
    work = sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp()
    failures = 0
    cases = [l.split(None, 1) for l in open(os.path.join(golden, 'cases.txt'))
             if l.strip() and not l.startswith('#')]
    for name, rest in cases:
        words = shlex.split(rest)
        pic, opts = words[0], words[1:]
        opts = [os.path.join(golden, 'pictures', o) if i > 0 and opts[i-1] in ('--back', '--background') else o
                for i, o in enumerate(opts)]
        frame, dump = os.path.join(work, name + '.bmp'), os.path.join(work, name + '.json')
        for f in (frame, dump):
            if os.path.exists(f): os.remove(f)
        rc = subprocess.run([cli, os.path.join(golden, 'pictures', pic)] + opts +
                            ['--frame', frame, '--dump-model', dump], capture_output=True).returncode
        exp_rc = int(open(os.path.join(golden, 'expected', name + '.rc')).read())
        problems = []
        if rc != exp_rc: problems.append('exit %d, expected %d' % (rc, exp_rc))
        if exp_rc == 0 and rc == 0:
            a = json.load(open(dump)); b = json.load(open(os.path.join(golden, 'expected', name + '.json')))
            for k in b:
                if isinstance(b[k], list):
                    if len(a.get(k, [])) != len(b[k]): problems.append('%s length' % k); continue
                    bad = [i for i, (x, y) in enumerate(zip(a[k], b[k])) if not same(x, y)]
                    if bad: problems.append('%s differs at %d places, first %d: %r vs %r' % (k, len(bad), bad[0], a[k][bad[0]], b[k][bad[0]]))
                elif not same(a.get(k), b[k]): problems.append('%s: %r vs %r' % (k, a.get(k), b[k]))
            fa, fb = frame_pixels(frame), frame_pixels(os.path.join(golden, 'expected', name + '.bmp'))
            if fa[:2] != fb[:2]: problems.append('frame size %r vs %r' % (fa[:2], fb[:2]))
            else:
                bad = [i for i, (x, y) in enumerate(zip(fa[2], fb[2])) if x != y]
                if bad: problems.append('frame differs at %d pixels, first (%d,%d)' % (len(bad), bad[0] % fa[0], fa[1]-1-bad[0] // fa[0]))
        elif exp_rc != 0:
            if os.path.exists(frame) or os.path.exists(dump): problems.append('wrote output')
        print(('FAIL ' if problems else 'ok   ') + name + ('' if not problems else ': ' + '; '.join(problems)))
        failures += bool(problems)
    print('%d passed, %d failed' % (len(cases) - failures, failures))
    return 1 if failures else 0

sys.exit(main())
