#!/usr/bin/env python3
"""Holds the option table's other homes to it: the manual page, the bash completion and
cli/README.md each name every option of the table and none that it lacks, with the values an
option takes; and the completion completes as a user's TAB would, under bash's word breaks.

    options_test.py --cli PATH [--emulator CMD]... --man PAGE --readme README
                    --completion SCRIPT --driver completion_driver.bash [--bash BASH]

The table is read back from `tuneledger --help`, whose option lines the program writes from it:
"  -m, --max-count=N", "      --color[=WHEN], --colour[=WHEN]", and "WHEN: auto, always, never"
below an option that takes only those values.
"""
import argparse
import os
import re
import subprocess
import sys

failures = []


def fail(where, message):
    failures.append(f"{where}: {message}")


def expect_same(where, what, found, expected):
    missing = sorted(set(expected) - set(found))
    extra = sorted(set(found) - set(expected))
    if missing:
        fail(where, f"{what} lacks {' '.join(missing)}")
    if extra:
        fail(where, f"{what} names {' '.join(extra)}, which the option table lacks")


class Option:
    def __init__(self, names, takes, value_name):
        self.names = names            # "-m", "--max-count", ...
        self.takes = takes            # None, "value" or "optional"
        self.value_name = value_name  # "N", "WHEN"
        self.values = []              # the only values it takes; empty: a number

    def long_names(self):
        return [name for name in self.names if name.startswith("--")]


def read_table(help_text):
    """The options of --help's "Options:" section."""
    section = help_text.split("\nOptions:\n", 1)[1].split("\n\n", 1)[0]
    options = []
    for line in section.split("\n"):
        head = re.match(r"^(  -[A-Za-z], |      )(--\S.*?)(  |$)", line)
        if head:
            names, takes, value_name = [], None, None
            for name in (head.group(1).strip(" ,") + ", " + head.group(2)).strip(", ").split(", "):
                shape = re.fullmatch(r"(--?[A-Za-z][A-Za-z-]*)(\[=([A-Z]+)\]|=([A-Z]+))?", name)
                if not shape:
                    fail("--help", f"option line '{line}' names '{name}', no option")
                    continue
                names.append(shape.group(1))
                if shape.group(3):
                    takes, value_name = "optional", shape.group(3)
                elif shape.group(4):
                    takes, value_name = "value", shape.group(4)
            options.append(Option(names, takes, value_name))
            continue
        values = re.match(r"^ +([A-Z]+): ([a-z]+(, [a-z]+)*)$", line)
        if values and options and options[-1].value_name == values.group(1):
            options[-1].values = values.group(2).split(", ")
    return options


def long_options_in(text):
    return set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", text))


def short_options_in_command(command, options):
    """The short options of one tuneledger command line ("tuneledger -qc search x -m5")."""
    valued = {name for option in options if option.takes == "value" for name in option.names}
    found = set()
    for word in command.split()[1:]:
        if word == "--":
            break
        if re.fullmatch(r"-[A-Za-z]\S*", word):
            for letter in word[1:]:
                if not letter.isalpha():
                    break
                found.add("-" + letter)
                if "-" + letter in valued:
                    break  # the rest of the word is its value
    return found


def commands_in(lines):
    """Each tuneledger command of the lines (an example's "$ " set aside), up to a pipe."""
    for line in lines:
        line = line.strip().removeprefix("$ ")
        if line.startswith("tuneledger "):
            yield line.split(" | ")[0]


def check_man_page(path, options, version):
    page = open(path, encoding="utf-8").read()
    where = os.path.basename(path)
    header = re.search(r'^\.TH TUNELEDGER 1 "(\d{4}-\d\d-\d\d)" "tuneledger ([^"]+)"', page, re.M)
    if not header or header.group(2) != version:
        fail(where, f"the footer carries no date and version {version}")

    def plain(troff):
        text = re.sub(r"\\f[BIRP]", "", troff).replace("\\-", "-").replace('"', " ")
        return re.sub(r"^\.(B|BI|BR|IR|I)\s", "", text)

    section = re.search(r"^\.SH OPTIONS\n(.*?)^\.SH ", page, re.M | re.S).group(1)
    heads = re.findall(r"^\.TP\n(.*)$", section, re.M)
    named = set()
    for head in heads:
        named |= set(re.findall(r"(?<![\w-])--?[A-Za-z][A-Za-z-]*", plain(head)))
    expect_same(where, "the OPTIONS section", named, [n for o in options for n in o.names])
    for option in options:
        for value in option.values:
            if f"\\fB{value}\\fR" not in section:
                fail(where, f"the OPTIONS section does not name {option.names[0]}'s value {value}")
    lines = [plain(line) for line in page.split("\n")]
    found = long_options_in("\n".join(lines))
    for command in commands_in(lines):
        found |= short_options_in_command(command, options)
    expect_same(where, "the page", found | named, [n for o in options for n in o.names])


def check_readme(path, options):
    text = open(path, encoding="utf-8").read()
    where = os.path.basename(path)
    section = text.split("\n## Options\n", 1)[1].split("\n## ", 1)[0]
    rows = {}
    for row in re.findall(r"^\| (`-.*?) \| (.*) \|$", section, re.M):
        for name in re.findall(r"`(--?[A-Za-z][A-Za-z-]*)", row[0]):
            rows[name] = row[1]
    expect_same(where, "the options table", rows, [n for o in options for n in o.names])
    for option in options:
        for value in option.values:
            if f"`{value}`" not in rows.get(option.names[0], ""):
                fail(where, f"the row of {option.names[0]} does not name its value `{value}`")
    # Prose and inline code name long options anywhere; code blocks only in tuneledger's commands.
    found = set()
    blocks = text.split("```")
    for number, part in enumerate(blocks):
        lines = part.split("\n")
        if number % 2 == 0:
            found |= long_options_in(part)
            commands = [m.split(" | ")[0] for m in re.findall(r"`(tuneledger [^`]*)`", part)]
        else:
            commands = list(commands_in(lines))
        for command in commands:
            found |= long_options_in(command) | short_options_in_command(command, options)
    expect_same(where, "the page", found | set(rows), [n for o in options for n in o.names])


class Completion:
    def __init__(self, bash, driver, script):
        self.command = [bash, driver, script]

    def offers(self, *lines, wordbreaks=None):
        environment = dict(os.environ)
        if wordbreaks is not None:
            environment["WORDBREAKS"] = wordbreaks
        result = subprocess.run(self.command + list(lines), capture_output=True, text=True,
                                env=environment, check=False)
        if result.returncode != 0 or result.stderr:
            fail("completion", f"the driver failed: {result.stderr}")
        return result.stdout.split("\n")[: len(lines)]


def check_completion(completion, options):
    where = "tuneledger.bash"
    names = [n for o in options for n in o.names]
    offered = completion.offers("tuneledger -")[0].split()
    expect_same(where, "the offers for '-'", offered, names)
    # After each option: nothing where a number follows as the next word, else the commands.
    lines = [f"tuneledger {name} " for name in names]
    for line, offer in zip(lines, completion.offers(*lines)):
        option = next(o for o in options if line.split()[1] in o.names)
        expected = "" if option.takes == "value" else "filter get search"
        if offer != expected:
            fail(where, f"'{line}' offers '{offer}', not '{expected}'")
    # After "=": the values an option takes, each long name alike.
    for option in options:
        for name in option.long_names():
            if option.takes is None:
                continue
            line = f"tuneledger {name}="
            offer = completion.offers(line)[0]
            if offer != " ".join(sorted(option.values)):
                fail(where, f"'{line}' offers '{offer}', not the values {option.values}")

    # As TAB drives it, with bash's default word breaks ("--color=al" is "--color" "=" "al"),
    # and with '=' no word break, where the whole word is replaced.
    cases = [
        ("tuneledger --color=", "always auto never"),
        ("tuneledger --colour=al", "always"),
        ("tuneledger search x --from=5 --color=n", "never"),
        ("tuneledger --color=x", ""),
        ("tuneledger --color= ", "filter get search"),  # a blank: a new word, no value
        ("tuneledger --color ", "filter get search"),
        ("tuneledger --from=", ""),
        ("tuneledger --from=1", ""),
        ("tuneledger --from 5 ", "filter get search"),
        ("tuneledger --from=5 -m 3 s", "search"),
        ("tuneledger --all s", "search"),
        ("tuneledger search ", ""),
        ("tuneledger search a= ", ""),
        ("tuneledger --co", "--color --colour --count"),
        ("tuneledger -", None),  # checked above
    ]
    lines = [line for line, _ in cases]
    for (line, expected), offer in zip(cases, completion.offers(*lines)):
        if expected is not None and offer != expected:
            fail(where, f"'{line}' offers '{offer}', not '{expected}'")
    for line, expected in [("tuneledger --color=al", "--color=always"),
                           ("tuneledger --colour=", "--colour=always --colour=auto --colour=never")]:
        offer = completion.offers(line, wordbreaks=" \t\n")[0]
        if offer != expected:
            fail(where, f"'{line}' with '=' no word break offers '{offer}', not '{expected}'")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--emulator", action="append", default=[])
    parser.add_argument("--version", required=True)
    parser.add_argument("--man", required=True)
    parser.add_argument("--readme", required=True)
    parser.add_argument("--completion", required=True)
    parser.add_argument("--driver", required=True)
    parser.add_argument("--bash", default="bash")
    arguments = parser.parse_args()

    emulator = [part for part in arguments.emulator if part]
    result = subprocess.run(emulator + [arguments.cli, "--help"], capture_output=True, check=False)
    help_text = result.stdout.decode("utf-8").replace("\r\n", "\n")
    if result.returncode != 0 or "\nOptions:\n" not in help_text:
        print(f"tuneledger --help failed:\n{help_text}{result.stderr.decode('utf-8', 'replace')}")
        return 1
    options = read_table(help_text)
    names = [n for o in options for n in o.names]
    if len(set(names)) != len(names) or len(options) < 2:
        fail("--help", f"the option lines name {names}")
    # The help's own prose names no option the table lacks.
    expect_same("--help", "the help", long_options_in(help_text), [n for n in names if n.startswith("--")])

    check_man_page(arguments.man, options, arguments.version)
    check_readme(arguments.readme, options)
    check_completion(Completion(arguments.bash, arguments.driver, arguments.completion), options)

    for failure in failures:
        print(failure)
    print(f"{len(options)} options, {len(names)} names: " + ("FAILED" if failures else "every home agrees"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
