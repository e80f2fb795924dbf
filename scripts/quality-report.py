#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Quality report of the two encoders (not run by the test suite).

For real photographs (the sample photos of Debian's python3-skimage, as JPEG),
converts each into a 720x576 PAL MPEG-2 picture (room 40000 bytes) and MPEG-4
picture (room 31000 bytes) with the built-in encoder, the classic tool chain,
and `ffmpeg -c:v mpeg2video|mpeg4 -trellis 2 -mbd rd` bisected on -q:v to the
same room; then the built-in encoder once more at exactly the bytes ffmpeg
used (equal bytes). Bytes, PSNR and SSIM (ffmpeg's psnr/ssim filters) are
measured against the prepared picture.

usage: scripts/quality-report.py [BUILD_DIR]   (default: build)
"""
import os
import re
import subprocess
import sys
import tempfile

PHOTOS = ["astronaut.png", "chelsea.png", "coffee.png", "motorcycle_left.png", "rocket.jpg",
          "retina.jpg", "hubble_deep_field.jpg"]
SKIMAGE = "/usr/lib/python3/dist-packages/skimage/data"
ROOMS = {"mpeg2": 40000, "mpeg4": 31000}


def run(args, **kw):
    return subprocess.run(args, check=False, capture_output=True, text=True, **kw)


def measure(stream, kind, prepared):
    """PSNR (average, dB) and SSIM (All) of the decoded stream against the prepared picture."""
    fmt = "mpegvideo" if kind == "mpeg2" else "m4v"
    graph = "[0]format=yuv420p[d];[1]format=yuv420p[r];[d]split[d1][d2];[r]split[r1][r2];" \
            "[d1][r1]psnr;[d2][r2]ssim"
    out = run(["ffmpeg", "-nostdin", "-v", "info", "-f", fmt, "-i", stream, "-i", prepared,
               "-filter_complex", graph, "-f", "null", "-"]).stderr
    psnr = re.search(r"PSNR .*average:([0-9.inf]+)", out)
    ssim = re.search(r"SSIM .*All:([0-9.]+)", out)
    return (float(psnr.group(1)) if psnr else float("nan"),
            float(ssim.group(1)) if ssim else float("nan"))


def ffmpeg_encode(prepared, kind, q, out):
    codec = "mpeg2video" if kind == "mpeg2" else "mpeg4"
    run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-i", prepared, "-frames:v", "1",
         "-pix_fmt", "yuv420p", "-c:v", codec, "-trellis", "2", "-mbd", "rd", "-q:v", str(q),
         "-f", "mpeg2video" if kind == "mpeg2" else "m4v", out])
    return os.path.getsize(out) if os.path.exists(out) else 1 << 30


def ffmpeg_bisected(prepared, kind, room, out):
    """The finest -q:v whose stream fits the room (bisection over 1..31)."""
    lo, hi, best = 1, 31, None
    while lo <= hi:
        q = (lo + hi) // 2
        size = ffmpeg_encode(prepared, kind, q, out + ".try")
        if size <= room:
            best, hi = q, q - 1
        else:
            lo = q + 1
    if best is None:
        return None
    ffmpeg_encode(prepared, kind, best, out)
    return best


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    tool = os.path.join(build, "bin", "velmora-encode-photo")
    if not os.access(tool, os.X_OK):
        sys.exit(f"{tool} is missing: build the target velmora-encode-photo")
    rows = []
    with tempfile.TemporaryDirectory() as work:
        for name in PHOTOS:
            source = os.path.join(SKIMAGE, name)
            if not os.path.exists(source):
                continue
            photo = os.path.join(work, os.path.splitext(name)[0] + ".jpg")
            run(["convert", source, "-colorspace", "sRGB", "-type", "TrueColor", "-quality", "95",
                 photo])
            for kind, room in ROOMS.items():
                ext = "m2v" if kind == "mpeg2" else "m4v"
                prepared = os.path.join(work, "prepared.ppm")
                result = {"photo": name, "kind": kind, "room": room}
                built = os.path.join(work, "builtin." + ext)
                if run([tool, "builtin", kind, str(room), photo, built, prepared]).returncode == 0:
                    result["builtin"] = (os.path.getsize(built),) + measure(built, kind, prepared)
                classic = os.path.join(work, "classic." + ext)
                if run([tool, "tools", kind, str(room), photo, classic]).returncode == 0:
                    result["classic"] = (os.path.getsize(classic),) + measure(classic, kind, prepared)
                ff = os.path.join(work, "ffmpeg." + ext)
                if ffmpeg_bisected(prepared, kind, room, ff) is not None:
                    size = os.path.getsize(ff)
                    result["ffmpeg"] = (size,) + measure(ff, kind, prepared)
                    equal = os.path.join(work, "equal." + ext)
                    if run([tool, "builtin", kind, str(size), photo, equal]).returncode == 0:
                        result["equal"] = (os.path.getsize(equal),) + measure(equal, kind, prepared)
                rows.append(result)
                print(".", end="", file=sys.stderr, flush=True)
    print(file=sys.stderr)

    def cell(r, key):
        if key not in r:
            return f"{'failed':>24}"
        size, psnr, ssim = r[key]
        return f"{size:>6} {psnr:6.2f} {ssim:6.4f} {100.0 * size / r['room']:4.0f}%"

    header = f"{'photo':<22} {'kind':<5} " + " ".join(
        f"{k:>24}" for k in ("built-in (room)", "classic (room)", "ffmpeg tuned (room)",
                             "built-in (ffmpeg bytes)"))
    print("bytes, PSNR dB, SSIM, room filled; against the prepared picture")
    print(header)
    for r in rows:
        print(f"{r['photo']:<22} {r['kind']:<5} " +
              " ".join(cell(r, k) for k in ("builtin", "classic", "ffmpeg", "equal")))
    for kind in ROOMS:
        pairs = [(r["equal"][1], r["ffmpeg"][1]) for r in rows
                 if r["kind"] == kind and "equal" in r and "ffmpeg" in r]
        if pairs:
            gain = [a - b for a, b in pairs]
            print(f"{kind}: built-in minus ffmpeg at equal bytes: average {sum(gain)/len(gain):+.3f} dB,"
                  f" worst {min(gain):+.3f} dB over {len(pairs)} photos")
        fills = [100.0 * r["builtin"][0] / r["room"] for r in rows
                 if r["kind"] == kind and "builtin" in r]
        if fills:
            print(f"{kind}: built-in room filled: lowest {min(fills):.1f} %,"
                  f" average {sum(fills)/len(fills):.1f} %")


if __name__ == "__main__":
    main()
