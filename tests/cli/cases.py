"""The cases of the Vorbix end-to-end tests: arguments, model files to write (with
mdlgen's options), and the expected standard output, standard error, exit code, files
left and scales."""


class System:
    """A line of the system's message text; `native` is the native build's own text."""

    def __init__(self, native):
        self.native = native

    def __repr__(self):
        return "System(%r)" % self.native


BANNER = [
    "Vorbix Model File Scaling Utility  Version 1.0.1.9142",
    "Copyright (C) 2026 quarnel. All rights reserved.",
    "",
]
USAGE = ["Usage: Vorbix [-nologo] [-hvx?] [-s Scale] Mdlfile [Mdlfile ...]", ""]
HELP = [
    "  Options:",
    "    h - Help, (this)",
    "    s - Specify the scale value to set. Default is 9.",
    "    v - View Only. View the current scale without updating it.",
    "    x - Debug. Emit [numerous] debug messages.",
    "    ? - Usage.",
    "",
    "    nologo - Don't display copyright information.",
    "    Scale - The scale value to set for the SUPER_SCALE instruction.",
    "    Mdlfile - The name of the Model file to modify.",
    "",
    "With no parameters, other than the name of a Model file, Vorbix adjusts",
    "the scale in the specified Model file to the [default] value \"9\".",
    "",
    "The \"-s\" option can be used to specify a different scale, which must be",
    "in the range [0..16].",
    "",
    "A backup copy of the original Model fileis created using a name built in",
    "the following format:",
    "",
    "Mdlbasename.Zyyyymmddhhmmss.MDL",
    "",
    "where \"yyyymmddhhmmss\" is the date and time when the utility began to",
    "process the specified file.",
    "",
]
NO_FILE = ["ERROR:57  At least one .MDL file must be specified."]
BAD_SCALE = ["ERROR:57  Invalid scale value."]
MODEL = {"m.mdl": []}
BACKED_UP = ["m.mdl", "m.Z<stamp>.mdl"]


def scale_line(old, new):
    return "  SUPER_SCALE FF5C, 0, 0, %d  ;; Oldscale= %d, Newscale= %d" % (old, old, new)


def viewed(old=7, new=9):
    return ["  Resource section located.", scale_line(old, new), "  BGL instruction sequence validated."]


def updated(name="m.mdl", old=7, new=9):
    return [name + ":"] + viewed(old, new) + [scale_line(old, new), "  Instruction updated."]


def untouched(args, stdout, exit=0, **more):
    """A run that processes no file: m.mdl is left as it was."""
    case = {"args": args, "files": MODEL, "stdout": stdout, "exit": exit}
    case.update(more)
    return case


def scaled(args, new, stdout_head=BANNER, **more):
    case = {"args": args, "files": MODEL, "stdout": stdout_head + updated(new=new), "left": BACKED_UP,
            "scales": {"m.mdl": new}}
    case.update(more)
    return case


SCAN_DEBUG = [
    "Dbg: Scanning for .rsrc section in <work>",
    "Dbg: .rsrc= @ Size= d4 Start= @ End= @",
    "Dbg: Found BGL opcode in .rsrc section, =A'@.",
    "Dbg: Redriving scan. CP= @, MP= @",
    "Dbg: Found BGL opcode in .rsrc section, =A'@.",
    "Dbg: Redriving scan. CP= @, MP= @",
    "Dbg: Found BGL opcode in .rsrc section, =A'@.",
    "Dbg: Found offset DD, =A'@, =c.",
]
SEQUENCE_DEBUG = [
    "Dbg: Base= @ Offset= c",
    "Dbg: Validated instruction: BGL",
    "Dbg: Validated instruction: VPOSITION",
    "Dbg: Validated instruction: VFILE_MARKER",
    "Dbg: Validated instruction: IFMSK",
    "Dbg: Validated instruction: BGL_CALL",
    "Dbg: Validated instruction: VPOSITION",
    "Dbg: Validated instruction: SUPER_SCALE",
]
VALIDATION_DEBUG = SEQUENCE_DEBUG + ["Dbg: Validated instruction: VINSTANCE_CALL", "Dbg: Validated instruction: BGL_RETURN"]
WORK_DEBUG = ["Dbg: Xname= <work>", "Dbg: Temporary file created: <work>"]

CASES = [
    # The option table.
    {"name": "no arguments", "args": [], "stdout": BANNER + NO_FILE, "exit": 87},
    untouched(["-h"], USAGE + HELP, name="help"),
    untouched(["-x", "-s", "3", "-h", "m.mdl"], USAGE + HELP, name="help after options, file not looked at"),
    untouched(["-?", "m.mdl"], USAGE, name="usage"),
    untouched(["-q", "m.mdl"], USAGE, name="illegal letter"),
    untouched(["-V", "m.mdl"], USAGE, name="upper-case letter"),
    untouched(["-NOLOGO", "m.mdl"], USAGE, name="upper-case nologo"),
    untouched(["-:", "m.mdl"], USAGE, name="colon is no option"),
    untouched(["-xq", "m.mdl"], USAGE, name="illegal letter in a group"),
    untouched(["-s"], USAGE, name="scale without argument"),
    untouched(["-n"], USAGE, name="n without argument"),
    untouched(["-x", "-n"], USAGE, name="n without argument after x"),
    untouched(["-q"], USAGE, name="complaint on the terminal", tty=True,
              stderr=["PROGRAM : illegal option --  q"]),
    untouched(["-s"], USAGE, name="missing argument complaint on the terminal", tty=True,
              stderr=["PROGRAM : option requires an argument --  s"]),
    # Scales.
    scaled(["-s", "15", "m.mdl"], 15, name="scale 15"),
    untouched(["-s", "16", "m.mdl"], BANNER + BAD_SCALE, 87, name="scale 16"),
    untouched(["-s", "-1", "m.mdl"], BANNER + BAD_SCALE, 87, name="scale -1"),
    untouched(["-s", "65535", "m.mdl"], BANNER + BAD_SCALE, 87, name="scale 65535"),
    untouched(["-s", "abc", "m.mdl"], BANNER + BAD_SCALE, 87, name="scale abc"),
    untouched(["-sv", "m.mdl"], BANNER + BAD_SCALE, 87, name="scale v"),
    untouched(["-nologo", "-s", "99"], BAD_SCALE, 87, name="scale tested before the file count"),
    scaled(["-s", "65536", "m.mdl"], 0, name="scale 65536 acts as 0"),
    scaled(["-s", "7x", "m.mdl"], 7, name="scale 7x"),
    scaled(["-s", "abc", "-s", "4", "m.mdl"], 4, name="last scale counts"),
    scaled(["-s5", "m.mdl"], 5, name="scale in the same argument"),
    scaled(["-s", " +3", "m.mdl"], 3, name="scale with blank and sign"),
    scaled(["m.mdl"], 9, name="default scale"),
    {"name": "grouped view and scale", "args": ["-vs5", "m.mdl"], "files": MODEL,
     "stdout": BANNER + viewed(new=5)},
    # Banner.
    scaled(["-nologo", "m.mdl"], 9, [], name="nologo"),
    scaled(["-n", "ologo", "m.mdl"], 9, [], name="n ologo"),
    scaled(["-nlogo", "m.mdl"], 9, name="nlogo is ignored"),
    untouched(["-n", "m.mdl"], BANNER + NO_FILE, 87, name="n swallows the file name"),
    # Where the options end.
    {"name": "first name ends the options", "args": ["m.mdl", "-v"], "files": MODEL,
     "stdout": BANNER + updated() + ["ERROR:2  Processing failed for -v"], "left": BACKED_UP,
     "scales": {"m.mdl": 9}},
    {"name": "double dash ends the options", "args": ["--", "-v"], "files": {"-v": []},
     "stdout": BANNER + updated("-v"), "left": ["-v", "-v.Z<stamp>"], "scales": {"-v": 9}},
    {"name": "lone dash is a file", "args": ["-nologo", "-"], "files": {"-": []},
     "stdout": updated("-"), "left": ["-", "-.Z<stamp>"], "scales": {"-": 9}},
    # Files.
    {"name": "second of three fails", "args": ["-s", "2", "a.mdl", "missing.mdl", "c.mdl"],
     "files": {"a.mdl": [], "c.mdl": ["--scale", "11"]},
     "stdout": BANNER + updated("a.mdl", 7, 2) + ["ERROR:2  Processing failed for missing.mdl"] +
     updated("c.mdl", 11, 2),
     "left": ["a.mdl", "a.Z<stamp>.mdl", "c.mdl", "c.Z<stamp>.mdl"], "scales": {"a.mdl": 2, "c.mdl": 2}},
    {"name": "every file fails, exit 0", "args": ["-nologo", "x.mdl", "y.mdl"],
     "stdout": ["ERROR:2  Processing failed for x.mdl", "ERROR:2  Processing failed for y.mdl"]},
    {"name": "error text after a failure", "args": ["-e", "-nologo", "missing.mdl"],
     "stdout": ["ERROR:2  Processing failed for missing.mdl"],
     "stderr": [System("The file cannot be found.")]},
    {"name": "error text for a model without the sequence", "args": ["-nologo", "-e", "n.mdl"],
     "files": {"n.mdl": ["--place", "neither"]},
     "stdout": ["n.mdl:", "  Resource section located.", "  Data section located.", "ERROR:1  Processing failed for n.mdl"],
     "stderr": [System("The model's code is not the expected instruction sequence.")]},
    {"name": "no error text without -e", "args": ["-nologo", "missing.mdl"],
     "stdout": ["ERROR:2  Processing failed for missing.mdl"]},
    # A model file named through a symbolic link: the file it points to is updated and the
    # link stays, with the backup beside it; a link to nothing is a missing file.
    {"name": "symbolic link", "args": ["-nologo", "links/plane.mdl", "links/none.mdl"], "files": {"real/plane.mdl": []},
     "links": {"links/plane.mdl": "../real/plane.mdl", "links/none.mdl": "../real/none.mdl"},
     "stdout": updated("links/plane.mdl") + ["ERROR:2  Processing failed for links/none.mdl"],
     "left": ["real/plane.mdl", "links/plane.mdl", "links/plane.Z<stamp>.mdl", "links/none.mdl"],
     "scales": {"real/plane.mdl": 9}},
    {"name": "sequence in the data section", "args": ["-nologo", "-s", "1", "d.mdl"],
     "files": {"d.mdl": ["--place", "data", "--two-calls", "--scale", "14"]},
     "stdout": ["d.mdl:", "  Resource section located.", "  Data section located.", scale_line(14, 1),
                "  BGL instruction sequence validated.", scale_line(14, 1), "  Instruction updated."],
     "left": ["d.mdl", "d.Z<stamp>.mdl"], "scales": {"d.mdl": 1}},
    {"name": "read-only model is refused and nothing is left", "args": ["-nologo", "m.mdl"], "files": MODEL,
     "readonly": ["m.mdl"], "stdout": ["m.mdl:", "ERROR:5  Processing failed for m.mdl"], "readonly_refused": True},
    {"name": "read-only model can be viewed", "args": ["-nologo", "-v", "-s", "3", "m.mdl"], "files": MODEL,
     "readonly": ["m.mdl"], "stdout": viewed(new=3)},
    {"name": "view only", "args": ["-v", "m.mdl"], "files": MODEL, "stdout": BANNER + viewed()},
    {"name": "name in another case", "args": ["-nologo", "m.mdl"], "files": {"M.MDL": []},
     "stdout": updated("M.MDL"), "left": ["M.MDL", "M.Z<stamp>.MDL"], "scales": {"M.MDL": 9}},
    {"name": "wildcard name", "args": ["-nologo", "*.MDL"], "files": {"plane.mdl": [], "plane.txt": []},
     "stdout": updated("plane.mdl"), "left": ["plane.mdl", "plane.Z<stamp>.mdl", "plane.txt"],
     "scales": {"plane.mdl": 9}},
    {"name": "same file twice", "args": ["-nologo", "-s", "3", "m.mdl", "m.mdl"], "files": MODEL,
     "stdout": updated(new=3) + updated(old=3, new=3), "left": ["m.mdl", "m.Z<stamp>.mdl", "m.Z<stamp>.mdl"],
     "scales": {"m.mdl": 3}},
    {"name": "file in a directory", "args": ["-nologo", "sub/m.mdl"], "files": {"sub/m.mdl": [], "m.mdl": []},
     "stdout": updated("sub/m.mdl"), "left": ["m.mdl", "sub/m.mdl", "sub/m.Z<stamp>.mdl"],
     "scales": {"sub/m.mdl": 9}},
    # Debug output.
    {"name": "debug lines of an update", "args": ["-x", "-nologo", "m.mdl"], "files": {"m.mdl": ["--decoys", "2"]},
     "stdout": updated(),
     "stderr": ["Dbg: Uname= m.mdl, Tname= m.mdl", "Dbg: Bname= m.Z<stamp>.mdl",
                "Dbg: Backup file created: m.Z<stamp>.mdl"] + WORK_DEBUG + SCAN_DEBUG + VALIDATION_DEBUG +
     SEQUENCE_DEBUG + ["Dbg: MDL file updated."],
     "left": BACKED_UP, "scales": {"m.mdl": 9}},
    {"name": "debug lines of a view", "args": ["-xv", "-nologo", "m.mdl"], "files": {"m.mdl": ["--decoys", "2"]},
     "stdout": viewed(),
     "stderr": ["Dbg: Uname= m.mdl, Tname= m.mdl"] + WORK_DEBUG + SCAN_DEBUG + VALIDATION_DEBUG},
    {"name": "debug lines of a failure", "args": ["-x", "-nologo", "nothing.mdl"],
     "stdout": ["ERROR:2  Processing failed for nothing.mdl"],
     "stderr": ["Dbg: ERROR:2  Cannot acquire file."]},
]
