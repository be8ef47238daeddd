#!/usr/bin/env python3
"""Writes the chart table (data/chart.txt) to standard output, from a fixed seed.

    cmake --build --preset release --target regenerate-data     (rewrites data/chart.txt if it changed)

Every performer, title and figure is invented here. The same seed gives the same bytes on every
run, so the committed table can always be checked against a fresh one.

An entry reads  performer |title|listings|top ten|best position|times at best|best single|total
and the table is sorted by total, largest first. The figures are drawn so that they fit each
other the way chart statistics do: a longer run goes with a larger total, a total is at most
listings x best single count, a better peak goes with a better best position. On top of the
ordinary entries the generator places, at fixed counts, the odd entries the table is known for
(irregular performer/title splits, double spaces, empty titles, UTF-8 names, UTF-8 names with
bytes lost to '?', and one '-' and two ';').
"""

import math
import random
import sys

SEED = 20261210
ENTRY_COUNT = 11084
LAST_ENTRY_INDEX = 11081
TOTAL_BYTES = 570090  # entry bytes plus one terminator per entry
MIN_LENGTH, MAX_LENGTH = 31, 169

REGULAR_SPLITS = 10951
IRREGULAR = ENTRY_COUNT - REGULAR_SPLITS  # 133
EMPTY_TITLES = 4
DOUBLE_SPACE_ENTRIES = 561
HIGH_BYTE_ENTRIES = 413
BROKEN_UTF8_ENTRIES = 187
BRACKETED = 486
EQUAL_PAIRS = 24
DASH_ENTRY = 175
SEMICOLON_ENTRIES = (543, 10795)

MAX_LISTINGS, MAX_TOP_TEN, MAX_POSITION, MAX_TIMES = 2547, 302, 200, 124
MIN_SINGLE, MAX_SINGLE = 44323, 7786096
MAX_TOTAL = 883369738

# Figures (fields 3 to 8) of the rows every user of the table knows by heart.
TELLING_ROWS = {
    0: (1506, 302, 1, 29, 2118242, 883369738),
    3: (2547, 6, 7, 0, 659366, 734857487),
    4: (1223, 186, 1, 124, 2905678, 718865961),
    11081: (1, 0, 167, 0, 46547, 46547),
    11082: (1, 0, 200, 0, 44962, 44962),
    11083: (1, 0, 184, 0, 44323, 44323),
}
PEAK_SINGLE_ENTRY = 2  # holds the largest best single count

FIRST_NAMES = """Ada Alma Anton Arlo Bea Bram Cara Cass Dario Della Eero Elin Enzo Faye Fenna Gus
Hale Hana Ines Ivo Jace Jora Juno Kai Kesia Lars Lena Lio Mabel Mara Milo Nadia Nell Nico Oda Olin
Orla Otto Pia Quinn Rafe Remy Rhea Sami Sela Soren Tamsin Teo Una Vera Vito Wren Yara Zane Zelda
Cleo Dane Edda Farrah Gideon Halle Ilse Jonah Kaia Lorne Marlo Nerys Oren Petra Rory Sable Tove
Ursa Vance Wynn Xander Yves Zia Bexley Caspian Delphine Everett Florian Greer Hollis""".split()
LAST_NAMES = """Abbott Ardent Bellweather Blackwood Brandt Calloway Carver Castell Crane Dalby
Dunmore Ellery Farrow Fenwick Galloway Garnet Hadley Harrow Hollister Ingram Jessup Keller Kingsley
Lark Lindqvist Locke Marlow Merriweather Montague Nightingale Oakes Okafor Pembrook Quill Radley
Rowan Sable Selwyn Sterling Sutter Thorne Tolliver Underhill Vance Varga Wexley Whitlock Winslow
Yardley Zeller Ashgrove Brightwater Coldwell Drummond Everly Fairweather Greaves Holloway Iverson
Juniper Kestrel Lowell Mayfield Norwood Ortega Prescott Redfern Stroud Tamsett Vesper Wilder""".split()
BAND_ADJECTIVES = """Silver Velvet Electric Paper Golden Hollow Neon Quiet Crimson Wild Midnight
Broken Lucky Northern Restless Glass Copper Lonely Static Paper Amber Hidden Urban Cosmic Savage
Little Royal Endless Falling Sunday Violet Iron Western Secret""".split()
BAND_NOUNS = """Lanterns Tides Foxes Pilots Sparrows Ghosts Machines Rivers Saints Wolves Kites Echoes
Strangers Satellites Orchards Harbours Dynamos Heroes Comets Thieves Ramblers Daughters Brothers
Mirrors Engines Lions Hearts Drifters Shadows Villains Cyclones Monarchs Rockets Owls""".split()
STAGE_PREFIXES = ["DJ", "MC", "Lil", "Big", "Young", "Sister", "Captain", "Doctor"]
STAGE_NAMES = """Nova Kairo Blaze Echo Zephyr Orbit Vandal Halo Rook Pixel Jinx Solace Ember Quasar
Fable Rhythmic Tundra Cobalt Mosaic Prism Saffron Vortex Lumen Talon Onyx Indigo""".split()

TITLE_ADJECTIVES = """Blue Golden Lonely Sweet Wild Broken Electric Endless Silent Crazy Secret Brave
Burning Little Perfect Hungry Restless Bitter Lucky Shining Gentle Heavy Summer Winter Holy Velvet
Faded Tender Frozen Empty Dangerous Beautiful Lost Higher Stronger Better Falling Rising""".split()
TITLE_NOUNS = """Heart Night Love Fire Rain Road River Dream Light Sky Ocean Morning Heaven Window
Shadow Dance Summer Thunder Mirror Diamond Honey Angel Radio Island Garden Highway Feeling Letter
Promise Memory Stranger Paradise Satellite Echo Horizon Harbour Lullaby Carousel Lantern Kingdom
Stardust Wildfire Daylight Weekend Heartbeat Stereo Rhythm Parade Avenue Sunrise Silhouette""".split()
TITLE_VERBS = """Hold Take Call Kiss Save Leave Tell Show Dance Love Find Follow Carry Wake Bring
Touch Chase Miss Trust Catch Remember Forget Shake Light Run Fly Stay Hurt Need Move""".split()
TITLE_OBJECTS = ["Me", "You", "Me Home", "It Over", "Me Now", "Me Closer", "Us", "It Slow", "Me Down",
                 "My Heart", "The Night", "The Light", "Your Name", "It On", "Me Tonight"]
NUMBER_WORDS = ["Two", "Three", "Seven", "Nine", "Twelve", "Hundred", "Thousand", "Million"]
SHORT_WORDS = """Go Be Up On Oh No So We Yes Ah Hey Run Fly Now Sun Sea Sky Joy Tide Glow Home
Gold Rose Wave Bloom Spark Drift Storm Ghost Crush Shine Fever Magic Velvet Silver Thunder
Sapphire Celebration Kaleidoscope Chandelier Moonlight Starlight Tomorrow Yesterday Somewhere Everything""".split()
VERSIONS = ["Remix", "Radio Edit", "Extended Mix", "Club Mix", "Live", "Acoustic", "Acoustic Version",
            "Single Version", "Remastered", "Edit", "Dub Mix", "Piano Version", "Original Mix",
            "Remix Edit", "Live Version", "Demo"]

# Names with letters beyond ASCII, written in UTF-8.
ACCENT_FIRST = """Zoë Renée Björn Søren Mikaël Inés Jürgen Łucja Ángela Çelik Dóra Émile Fañch
Göran Hélène Jérôme Kåre Léa Mátyás Noémie Örjan Pål Raúl Siân Tomás Ugné Zdeněk Žaneta""".split()
ACCENT_LAST = """Delacroîx Ferrán Müllner Østby Vázquel Nuñovo Ekström Brønholt Lefèvre Dvořan
Sánchelo Åkerlind Fjällby Grünwald HØyer Jaszczór Kovačić Löfgren Morães Ibáñez Strömvik""".split()
ACCENT_TITLE_WORDS = """Café Señorita Noël Déjà Chérie Fiancée Élan Mañana Naïve Rosé Soirée
Été Canción Corazón Ça Über Träume Ölmalm Ågren Résumé Piñata""".split()
FOREIGN_PERFORMERS = ["Кира Волна", "Белый Ветер", "Σταύρος Ηλιού", "Ηλέκτρα", "ハナビ",
                      "ソラノ", "별빛소년", "하늘정원", "Миша Звёздный", "Αύρα"]
FOREIGN_TITLES = ["Ночной Город", "Тихая Река", "Νύχτα", "Καλοκαίρι", "夜の海", "星の歌",
                  "봄날에", "바다처럼", "Летний Дождь", "Φως"]

WORDS_BY_LENGTH = {}
for _w in SHORT_WORDS + TITLE_NOUNS + TITLE_ADJECTIVES:
    WORDS_BY_LENGTH.setdefault(len(_w), []).append(_w)


class Entry:
    """One chart entry as parts, rendered to bytes only at the end."""

    def __init__(self):
        self.performer = []      # words of the performer's name
        self.feat = []           # words after "feat." in the title, if any
        self.title = []          # main words of the title
        self.version = ""        # text inside the closing brackets, if any
        self.brackets = "()"
        self.irregular = False
        self.double_space = False  # a double space placed inside the title
        self.high = False         # uses letters beyond ASCII
        self.broken = False       # some UTF-8 bytes stand replaced by '?'
        self.figures = None

    def title_text(self):
        if not self.title:
            return ""
        joiner = "  " if self.double_space and len(self.title) > 1 else " "
        text = self.title[0] + (joiner + " ".join(self.title[1:]) if len(self.title) > 1 else "")
        if self.feat:
            text += " (feat. " + " ".join(self.feat) + ")"
        if self.version:
            gap = "  " if self.double_space and len(self.title) == 1 else " "
            text += gap + self.brackets[0] + self.version + self.brackets[1]
        return text

    def render(self):
        f3, f4, f5, f6, f7, f8 = self.figures
        times = "(x%d)" % f6 if f6 else "0"
        if self.irregular:
            head = " ".join(self.performer[:1])
            body = " ".join(self.performer[1:]) + "  " + self.title_text()
        else:
            head = " ".join(self.performer) + " "
            body = self.title_text()
        text = "%s|%s|%d|%d|%d|%s|%d|%d" % (head, body, f3, f4, f5, times, f7, f8)
        return text.encode("utf-8")


def draw_totals(rng):
    """Totals for every entry: a steep head and a long tail, largest first."""
    totals = [0] * ENTRY_COUNT
    for i, row in TELLING_ROWS.items():
        totals[i] = row[5]
    totals[1] = 861204977
    totals[2] = 792516348
    free = range(5, LAST_ENTRY_INDEX)
    floor = TELLING_ROWS[LAST_ENTRY_INDEX][5]
    ceiling = TELLING_ROWS[4][5]
    drawn = []
    for rank in free:
        base = ceiling * ((4 + 20) / (rank + 20)) ** 1.57
        drawn.append(int(base * math.exp(rng.gauss(0, 0.08))))
    drawn.sort(reverse=True)
    for k, i in enumerate(free):
        totals[i] = min(max(drawn[k], floor + 1), ceiling - 1)
    for i in reversed(free):  # strictly decreasing before pairs are made
        totals[i] = max(totals[i], totals[i + 1] + 1)
    assert totals[5] < ceiling
    # Equal totals come in pairs that never touch, so no three are ever equal in a row.
    pairs = set()
    while len(pairs) < EQUAL_PAIRS:
        i = int(5 + (LAST_ENTRY_INDEX - 7) * rng.random() ** 0.5)
        if {i - 1, i, i + 1} & pairs:
            continue
        pairs.add(i)
    for i in sorted(pairs):
        totals[i + 1] = totals[i]
    return totals


def draw_figures(rng, totals):
    """Fields 3 to 8 for every entry that is not a telling row."""
    figures = [None] * ENTRY_COUNT
    for i, row in TELLING_ROWS.items():
        figures[i] = row
    log_min = math.log(TELLING_ROWS[LAST_ENTRY_INDEX][5])
    for i in range(ENTRY_COUNT):
        if figures[i]:
            continue
        total = totals[i]
        listings = int(round(math.exp(0.62 * (math.log(total) - log_min) + rng.gauss(0, 0.7))))
        listings = min(max(listings, 1), 2400)
        if i == PEAK_SINGLE_ENTRY:
            listings, single = 412, MAX_SINGLE
        else:
            listings = max(listings, -(-total // MAX_SINGLE))
            if listings == 1:
                single = total
            else:
                average = -(-total // listings)
                single = int(average * math.exp(abs(rng.gauss(0.8, 0.5))))
                single = min(max(single, average), total - (listings - 1), MAX_SINGLE - 1)
                if single <= MIN_SINGLE:
                    single = MIN_SINGLE + 1 + int(rng.random() * (total - MIN_SINGLE - 1))
                single = min(max(single, average), total)
            if single in (MIN_SINGLE, TELLING_ROWS[LAST_ENTRY_INDEX][4]) and single != total:
                single += 1
        peak = (math.log(single) - math.log(MIN_SINGLE)) / (math.log(MAX_SINGLE) - math.log(MIN_SINGLE))
        position = int(round(MAX_POSITION ** ((1 - peak) ** 1.3) * math.exp(-abs(rng.gauss(0, 0.3)))))
        position = min(max(position, 1), MAX_POSITION)
        top_ten = 0
        if position <= 10:
            share = rng.uniform(0.04, 0.45) * (11 - position) / 10
            top_ten = min(max(1, int(listings * share)), listings, MAX_TOP_TEN - 1)
        figures[i] = (listings, top_ten, position, 0, single, total)
    return figures


def place_times_at_best(rng, figures):
    """Exactly BRACKETED entries carry "(xN)", only where the best position is in the top ten."""
    fixed = [i for i in TELLING_ROWS if TELLING_ROWS[i][3]]
    candidates = [i for i in range(ENTRY_COUNT)
                  if i not in TELLING_ROWS and figures[i][2] <= 10]
    assert len(candidates) >= BRACKETED, len(candidates)
    candidates.sort(key=lambda i: (figures[i][2] > 3, rng.random()))
    for i in candidates[:BRACKETED - len(fixed)]:
        f3, f4, f5, _, f7, f8 = figures[i]
        times = max(1, min(f4, MAX_TIMES - 1, int(f4 * rng.uniform(0.05, 0.6))))
        figures[i] = (f3, f4, f5, times, f7, f8)


def person(rng):
    return [rng.choice(FIRST_NAMES), rng.choice(LAST_NAMES)]


def draw_performer(rng):
    kind = rng.random()
    if kind < 0.4:
        words = person(rng)
    elif kind < 0.5:
        words = ["The", rng.choice(BAND_ADJECTIVES), rng.choice(BAND_NOUNS)]
    elif kind < 0.6:
        words = ["The", rng.choice(BAND_NOUNS)]
    elif kind < 0.7:
        words = [rng.choice(BAND_ADJECTIVES), rng.choice(BAND_NOUNS)]
    elif kind < 0.8:
        words = [rng.choice(STAGE_PREFIXES), rng.choice(STAGE_NAMES)]
    elif kind < 0.95:
        words = [rng.choice(STAGE_NAMES + FIRST_NAMES)]
    else:
        words = person(rng) + ["&"] + [rng.choice(["The", rng.choice(FIRST_NAMES)]),
                                       rng.choice(BAND_NOUNS)]
    if rng.random() < 0.04:
        words += ["feat."] + person(rng)
    return words


def draw_title(rng):
    kind = rng.random()
    if kind < 0.25:
        words = [rng.choice(TITLE_ADJECTIVES), rng.choice(TITLE_NOUNS)]
    elif kind < 0.45:
        words = [rng.choice(TITLE_VERBS)] + rng.choice(TITLE_OBJECTS).split()
    elif kind < 0.55:
        words = [rng.choice(TITLE_NOUNS), "Of", rng.choice(TITLE_NOUNS)]
    elif kind < 0.65:
        words = ["The", rng.choice(TITLE_NOUNS)]
    elif kind < 0.72:
        number = rng.choice([str(rng.randint(2, 99)), str(rng.randint(1950, 2029)),
                             rng.choice(NUMBER_WORDS)])
        words = rng.choice([[number, rng.choice(TITLE_NOUNS) + "s"],
                            [rng.choice(TITLE_NOUNS), number]])
    elif kind < 0.92:
        words = [rng.choice(TITLE_NOUNS + SHORT_WORDS)]
    else:
        words = [rng.choice(TITLE_ADJECTIVES), rng.choice(TITLE_NOUNS), rng.choice(["Blues",
                 "Song", "Girl", "Boy", "Again", "Tonight", "Forever", "Away"])]
    return words


def dress_title(rng, entry):
    if rng.random() < 0.04:
        entry.feat = person(rng)
    if rng.random() < 0.08:
        version = rng.choice(VERSIONS)
        if rng.random() < 0.5 and version.endswith(("Remix", "Mix")):
            version = rng.choice(STAGE_NAMES + LAST_NAMES) + " " + version
        elif version.endswith("Version") and rng.random() < 0.3:
            version = "%d Version" % rng.randint(1985, 2024)
        entry.version = version
        entry.brackets = "[]" if rng.random() < 0.15 else "()"


def make_high(rng, entry):
    """Letters beyond ASCII somewhere in the performer or the title."""
    kind = rng.random()
    if kind < 0.35:
        entry.performer = [rng.choice(ACCENT_FIRST), rng.choice(ACCENT_LAST + LAST_NAMES)]
    elif kind < 0.55:
        entry.performer = [rng.choice(FIRST_NAMES + ACCENT_FIRST), rng.choice(ACCENT_LAST)]
    elif kind < 0.8:
        entry.title[rng.randrange(len(entry.title))] = rng.choice(ACCENT_TITLE_WORDS)
    elif kind < 0.9:
        entry.performer = rng.choice(FOREIGN_PERFORMERS).split()
    else:
        entry.title = rng.choice(FOREIGN_TITLES).split()
    entry.high = True


def break_utf8(rng, data):
    """Replaces continuation bytes of some multi-byte letters by '?', as a lossy copy once did."""
    out = bytearray(data)
    sequences = [k for k, b in enumerate(out) if b >= 0xC0]
    hit = rng.sample(sequences, max(1, len(sequences) // 2)) if len(sequences) > 1 else sequences
    for k in hit:
        n = 2 if out[k] < 0xE0 else 3 if out[k] < 0xF0 else 4
        out[k + rng.randrange(1, n)] = ord("?")
    return bytes(out)


def draw_entries(rng, figures):
    entries = []
    for i in range(ENTRY_COUNT):
        e = Entry()
        e.performer = draw_performer(rng)
        e.title = draw_title(rng)
        dress_title(rng, e)
        e.figures = figures[i]
        entries.append(e)

    plain = set(TELLING_ROWS) | {DASH_ENTRY, PEAK_SINGLE_ENTRY, *SEMICOLON_ENTRIES}
    pool = [i for i in range(ENTRY_COUNT) if i not in plain]
    rng.shuffle(pool)
    take = lambda n: [pool.pop() for _ in range(n)]

    for i in take(EMPTY_TITLES):
        entries[i].title, entries[i].feat, entries[i].version = [], [], ""
    for i in take(IRREGULAR):
        e = entries[i]
        if len(e.performer) < 2:
            e.performer = person(rng)
        e.irregular = True
    for i in take(DOUBLE_SPACE_ENTRIES - IRREGULAR):
        e = entries[i]
        if len(e.title) < 2 and not e.version:
            e.version = rng.choice(VERSIONS)
        e.double_space = True
    high = take(HIGH_BYTE_ENTRIES)
    for i in high:
        make_high(rng, entries[i])
    for i in high[:BROKEN_UTF8_ENTRIES]:
        entries[i].broken = True

    entries[DASH_ENTRY].title = ["Twenty-Two", "Summers"]
    entries[SEMICOLON_ENTRIES[0]].title = ["Stay;", "Go"]
    entries[SEMICOLON_ENTRIES[1]].performer = ["Hal", "Orsay;", "Mira", "Lund"]
    return entries


def render(rng, entries):
    lines = []
    for e in entries:
        data = e.render()
        if e.broken:
            data = break_utf8(rng, data)
        lines.append(data)
    return lines


def adjustable(e):
    return not (e.high or e.irregular or e.double_space) and len(e.title) >= 1 \
        and all(w.isalpha() for w in e.title)


def fit_lengths(rng, entries):
    """Lengthens short entries, then trims ordinary titles until the table has its exact size."""
    for e in entries:
        while len(e.render()) < MIN_LENGTH + 2:
            (e.title if e.title else e.performer).append(rng.choice(TITLE_NOUNS))
    order = [i for i in range(ENTRY_COUNT)
             if i not in TELLING_ROWS and i not in (DASH_ENTRY, *SEMICOLON_ENTRIES)
             and adjustable(entries[i])]
    rng.shuffle(order)
    shortest = min(order, key=lambda i: (len(entries[i].render().split(b"|", 2)[2]), i))
    order.remove(shortest)
    longest = order.pop()
    set_length(entries[longest], MAX_LENGTH, rng, grow=True)
    set_length(entries[shortest], MIN_LENGTH, rng, grow=False)

    excess = sum(len(e.render()) for e in entries) + ENTRY_COUNT - TOTAL_BYTES
    while excess:
        for i in order:
            if excess == 0:
                break
            excess -= resize_title(rng, entries[i], excess)
    assert excess == 0, excess


def resize_title(rng, e, excess):
    """Cuts up to excess bytes from the title (or adds -excess bytes); returns the change made."""
    size = len(e.render())
    last = e.title[-1]
    if excess > 0:
        if len(e.title) >= 2 and excess > len(last) and size - len(last) - 1 >= MIN_LENGTH + 2:
            e.title.pop()
            return len(last) + 1
        shorter = [n for n in WORDS_BY_LENGTH if len(last) - excess <= n < len(last)]
        if shorter and size - len(last) + min(shorter) >= MIN_LENGTH + 2:
            e.title[-1] = rng.choice(WORDS_BY_LENGTH[min(shorter)])
            return len(last) - min(shorter)
        return 0
    if size > MAX_LENGTH - 30:
        return 0
    if -excess >= 3:
        word = rng.choice(WORDS_BY_LENGTH[min(-excess - 1, 8)])
        e.title.append(word)
        return -(len(word) + 1)
    target = len(last) - excess
    if target in WORDS_BY_LENGTH:
        e.title[-1] = rng.choice(WORDS_BY_LENGTH[target])
        return excess
    return 0


def set_length(entry, length, rng, grow):
    """Gives one ordinary entry an exact length, growing or shrinking its title."""
    if grow:
        entry.performer = person(rng) + ["&", "The", rng.choice(BAND_ADJECTIVES), rng.choice(BAND_NOUNS)]
        entry.feat = person(rng)
        entry.version = rng.choice(STAGE_NAMES) + " Extended Club Mix"
        entry.title = [rng.choice(TITLE_VERBS), "Me", "Under", "The", rng.choice(TITLE_ADJECTIVES),
                       rng.choice(TITLE_NOUNS)]
        phrases = [["Until", "The", rng.choice(TITLE_NOUNS)], ["Of", "My", rng.choice(TITLE_NOUNS)],
                   ["And", "The", rng.choice(TITLE_ADJECTIVES), rng.choice(TITLE_NOUNS)],
                   ["All", "Night", "Long"], ["On", "A", rng.choice(TITLE_NOUNS)]]
        for phrase in phrases:
            if len(entry.render()) + len(" ".join(phrase)) + 1 > length - 3:
                break
            entry.title += phrase
    else:
        entry.performer, entry.feat, entry.version = ["Ivo"], [], ""
        entry.title = ["Go"]
    gap = length - len(entry.render())
    if gap >= 3:
        entry.title.append(rng.choice(WORDS_BY_LENGTH[gap - 1]))
    elif gap > 0:
        entry.title[-1] = rng.choice(WORDS_BY_LENGTH[len(entry.title[-1]) + gap])
    assert len(entry.render()) == length, (entry.render(), length)


def main():
    rng = random.Random(SEED)
    totals = draw_totals(rng)
    figures = draw_figures(rng, totals)
    place_times_at_best(rng, figures)
    entries = draw_entries(rng, figures)
    fit_lengths(rng, entries)
    lines = render(rng, entries)
    sys.stdout.buffer.write(b"".join(line + b"\n" for line in lines))


if __name__ == "__main__":
    main()
