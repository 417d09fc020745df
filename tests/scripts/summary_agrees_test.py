#!/usr/bin/python3
"""kadenzo-convert --info --json against mido, an independent reader of Standard MIDI Files, on every
song of the given folders; and each song's shift range against the conversion itself.
Usage: summary_agrees_test.py KADENZO_CONVERT FOLDER..."""
import io
import json
import os
import subprocess
import sys
import tempfile

import mido

# Songs mido cannot read although the conversion reads them whole, and why.
MIDO_CANNOT_READ = {"test-running-status-sysex.mid": "mido ends running status at a system exclusive"}
# Songs mido reads whole that the conversion refuses by its own rules, and why.
CONVERSION_REFUSES = {"test-vlq-4-byte.mid": "delta times and lengths have at most three bytes"}
OUT_OF_RANGE = "演奏可能範囲を超えてしまいました。"


def track_chunks_only(data):
    """The song with its chunks of other types left out, which mido cannot skip."""
    kept, position = data[:14], 14
    while position + 8 <= len(data):
        end = position + 8 + int.from_bytes(data[position + 4:position + 8], "big")
        if data[position:position + 4] == b"MTrk":
            kept += data[position:end]
        position = end
    return kept


def text(name):
    raw = name.encode("latin-1")  # mido hands meta texts over as latin-1
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("cp932", errors="replace")


def seconds(song):
    if song.type != 2:
        return song.length
    total, tempo = 0.0, 500000  # one pattern after another, the tempo carrying on
    for message in (message for track in song.tracks for message in track):
        total += mido.tick2second(message.time, song.ticks_per_beat, tempo)
        tempo = message.tempo if message.type == "set_tempo" else tempo
    return total


def independent_summary(data):
    song = mido.MidiFile(file=io.BytesIO(track_chunks_only(data)))
    tracks, keys = {}, []
    for chunk in song.tracks:
        name = next((text(m.name) for m in chunk if m.type == "track_name" and m.name), None)
        for message in chunk:
            if message.is_meta or message.type == "sysex":
                continue
            track = tracks.setdefault(message.channel + 1, {"notes": [], "programs": [], "names": []})
            if name is not None and name not in track["names"]:
                track["names"].append(name)
            keys += [message.note] if message.type in ("note_on", "note_off") else []
            track["notes"] += [message.note] if message.type == "note_on" and message.velocity > 0 else []
            if message.type == "program_change" and message.program not in track["programs"]:
                track["programs"].append(message.program)
    return {
        "format": song.type, "trackChunks": len(song.tracks), "division": song.ticks_per_beat,
        "seconds": round(seconds(song), 3),
        "tracks": [{"track": number, "notes": len(t["notes"]), "lowest": min(t["notes"], default=None),
                    "highest": max(t["notes"], default=None), "programs": t["programs"], "names": t["names"],
                    "drums": number == 10} for number, t in sorted(tracks.items())],
        "shift": {"lowest": -min(keys), "highest": 127 - max(keys)} if keys else None,
    }


def refuses_shift(convert, path, shift, scratch):
    return OUT_OF_RANGE in subprocess.run([convert, "--quiet", "--force", "--shift", str(shift), "-o", scratch, path],
                                          capture_output=True, text=True).stdout


def main():
    convert, folders = sys.argv[1], sys.argv[2:]
    paths = sorted(os.path.join(f, n) for f in folders for n in os.listdir(f) if n.endswith(".mid"))
    run = subprocess.run([convert, "--info", "--json"] + paths, capture_output=True, text=True)
    summaries = json.loads(run.stdout)
    failures = [] if [s["file"] for s in summaries] == paths else ["the summaries are not in input order"]
    compared = 0
    scratch = os.path.join(tempfile.mkdtemp(), "out.mid")
    for path, summary in zip(paths, summaries):
        name, data = os.path.basename(path), open(path, "rb").read()
        try:
            expected = None if name in CONVERSION_REFUSES else independent_summary(data)
        except Exception as error:  # mido refuses the song: so must the summary, by an error or a stop
            expected = None
            if "error" not in summary and "stopped" not in summary and name not in MIDO_CANNOT_READ:
                failures.append(f"{name}: mido cannot read it ({error}), the summary reads it whole")
        if name in CONVERSION_REFUSES and "stopped" not in summary:
            failures.append(f"{name}: the summary reads it whole, the conversion refuses it")
        if expected is not None:
            compared += 1
            if {key: summary.get(key) for key in expected} != expected or "stopped" in summary:
                failures.append(f"{name}:\n  summary {summary}\n  mido    {expected}")
        if "error" in summary:
            continue
        shift = summary["shift"] or {"lowest": -127, "highest": 127, "any": True}
        for value, refused in [(shift["lowest"], False), (shift["highest"], False),
                               (shift["lowest"] - 1, "any" not in shift), (shift["highest"] + 1, "any" not in shift)]:
            if refuses_shift(convert, path, value, scratch) != refused:
                failures.append(f"{name}: the conversion {'accepts' if refused else 'refuses'} shift {value}")
    if run.returncode != (2 if any("error" in s for s in summaries) else 0):
        failures.append(f"exit status {run.returncode}")
    print("\n".join(failures + [""]), end="")
    print(f"{len(paths)} songs, {compared} compared with mido; not compared: the damaged songs and non-songs "
          f"that mido refuses too, and {', '.join(f'{n} ({why})' for n, why in (MIDO_CANNOT_READ | CONVERSION_REFUSES).items())}")
    return 1 if failures else 0


sys.exit(main())
