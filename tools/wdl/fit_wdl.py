#!/usr/bin/env python3
"""Fits Velkar's win/draw/loss model to its own games.

Reads PGN files written by the match runner with UCI move notation and the
engine's score in the comment of every move ("{+0.35/7 0.012s, n=...}"),
replays each game on a minimal board to know the material on the board,
and keeps, for every searched position that has a centipawn score:

    s  the score from the side to move's view (centipawns),
    m  the material on the board (see MESURES below),
    r  the game's result from the side to move's view (win/draw/loss).

The model is

    P(win)  = 1 / (1 + exp(-(s - a(m)) / b(m)))
    P(loss) = 1 / (1 + exp( (s + a(m)) / b(m)))
    P(draw) = 1 - P(win) - P(loss)

with a(m) and b(m) polynomials in x = m / ECHELLE, fitted by maximum
likelihood on the three outcomes (Newton's method with an analytic
Hessian and a damped, backtracking step).  a(m) > 0 keeps P(draw) > 0.

Games are split by opening (their FEN tag): the games of every fifth
opening (the runner plays each opening twice with colours reversed) are
held out, so no validation game shares its opening with a training game.  The script
reports the held-out log-loss and Brier score against a constant-frequency
baseline and a calibration table, and prints the constants for
engine/wdl.cpp.  Positions of one game are far from independent: the
game, not the position, is the unit of evidence.

With an EPD book the opening is the game's FEN tag and every move of the
movetext was searched; moves of a PGN book carry a "book" comment and are
skipped, and --saut-plies skips more plies at the start of each game.

Python 3 standard library only.

    python3 tools/wdl/fit_wdl.py /tmp/velkar-wdl/pgn/*.pgn
"""

import argparse
import math
import re
import sys

# ---------------------------------------------------------------------------
# Material measures.  Values by piece letter, kings excluded.

MESURES = {
    # All material of both sides in pawn units: 78 at the start.
    "total": {"p": 1, "n": 3, "b": 3, "r": 5, "q": 9, "k": 0},
    # Pieces only, pawns left out: 62 at the start.
    "pieces": {"p": 0, "n": 3, "b": 3, "r": 5, "q": 9, "k": 0},
}
ECHELLE = 78.0  # x = m / ECHELLE, so that x is about 1 at the start

VICTOIRE, NULLE, DEFAITE = 0, 1, 2

# ---------------------------------------------------------------------------
# PGN reading and the minimal board.

RE_ETIQUETTE = re.compile(r'^\[(\w+)\s+"(.*)"\]\s*$')
RE_COUP = re.compile(r"^([a-h][1-8])([a-h][1-8])([nbrq]?)$")
RE_SCORE = re.compile(r"^\s*([+-]?)(M?)(\d+(?:\.\d+)?)/(\d+)")
FEN_DEPART = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def lit_parties(chemin):
    """Yields (tags, [(move, comment-or-None), ...]) for each game."""
    with open(chemin, encoding="utf-8", errors="replace") as f:
        texte = f.read()
    etiquettes, corps = {}, []

    def fin():
        if etiquettes:
            yield etiquettes, decoupe_coups(" ".join(corps))

    for ligne in texte.splitlines():
        m = RE_ETIQUETTE.match(ligne)
        if m:
            if corps:
                yield from fin()
                etiquettes, corps = {}, []
            etiquettes[m.group(1)] = m.group(2)
        elif ligne.strip():
            corps.append(ligne)
    yield from fin()


def decoupe_coups(corps):
    """Moves of a movetext with the comment that follows each one."""
    coups = []
    i, n = 0, len(corps)
    while i < n:
        c = corps[i]
        if c.isspace():
            i += 1
        elif c == "{":
            j = corps.find("}", i)
            j = n if j < 0 else j
            if coups and coups[-1][1] is None:
                coups[-1] = (coups[-1][0], corps[i + 1 : j])
            i = j + 1
        else:
            j = i
            while j < n and not corps[j].isspace() and corps[j] != "{":
                j += 1
            jeton = corps[i:j]
            i = j
            if RE_COUP.match(jeton):
                coups.append((jeton, None))
            # move numbers ("12." / "12...") and the result are skipped
    return coups


def case(t):
    return (ord(t[0]) - ord("a")) + 8 * (ord(t[1]) - ord("1"))


class Plateau:
    """Just enough of a board to follow the material through a game."""

    def __init__(self, fen):
        champs = fen.split()
        self.cases = [None] * 64
        rang, col = 7, 0
        for c in champs[0]:
            if c == "/":
                rang, col = rang - 1, 0
            elif c.isdigit():
                col += int(c)
            else:
                self.cases[8 * rang + col] = c
                col += 1
        self.blancs = champs[1] == "w"

    def joue(self, coup):
        """Plays a UCI move; False if it cannot be a move of this board."""
        m = RE_COUP.match(coup)
        if not m:
            return False
        d, a, promo = case(m.group(1)), case(m.group(2)), m.group(3)
        p = self.cases[d]
        if p is None or p.isupper() != self.blancs:
            return False
        cible = self.cases[a]
        if cible is not None and cible.isupper() == self.blancs:
            return False
        if p in "Pp" and (d - a) % 8 != 0 and cible is None:
            self.cases[a + (-8 if self.blancs else 8)] = None  # en passant
        if p in "Kk" and abs(a - d) == 2:  # castling, king two files over
            tour_d, tour_a = (d + 3, d + 1) if a > d else (d - 4, d - 1)
            self.cases[tour_a], self.cases[tour_d] = self.cases[tour_d], None
        self.cases[d] = None
        self.cases[a] = (promo.upper() if self.blancs else promo) if promo else p
        self.blancs = not self.blancs
        return True

    def materiel(self, valeurs):
        return sum(valeurs[c.lower()] for c in self.cases if c is not None)


RESULTATS = {"1-0": 1, "0-1": -1, "1/2-1/2": 0}


def extrait(chemins, saut_plies, mesures):
    """Per game: the (score, {measure: material}, result) of its positions."""
    parties, resultats, ouvertures, rejetees = [], [], [], 0
    for chemin in chemins:
        for etiquettes, coups in lit_parties(chemin):
            res = RESULTATS.get(etiquettes.get("Result", "*"))
            if res is None:
                rejetees += 1
                continue
            plateau = Plateau(etiquettes.get("FEN", FEN_DEPART))
            positions, ok = [], True
            for ply, (coup, commentaire) in enumerate(coups):
                mat = {k: plateau.materiel(v) for k, v in mesures.items()}
                trait_blanc = plateau.blancs
                if not plateau.joue(coup):
                    ok = False
                    break
                if ply < saut_plies or commentaire is None or "book" in commentaire:
                    continue
                m = RE_SCORE.match(commentaire)
                if not m or m.group(2) == "M":  # no score, or a mate score
                    continue
                s = round(float(m.group(3)) * 100) * (-1 if m.group(1) == "-" else 1)
                r = res if trait_blanc else -res
                positions.append((s, mat, VICTOIRE if r > 0 else DEFAITE if r < 0 else NULLE))
            if not ok:
                rejetees += 1
                continue
            parties.append(positions)
            resultats.append(res)
            ouvertures.append(etiquettes.get("FEN", FEN_DEPART))
    return parties, resultats, ouvertures, rejetees


# ---------------------------------------------------------------------------
# The model.


def sigma(t):
    if t >= 0:
        return 1.0 / (1.0 + math.exp(-t))
    e = math.exp(t)
    return e / (1.0 + e)


def puissances(x, degre):
    return [x**k for k in range(degre + 1)]


def ab(theta, x, degre):
    phi = puissances(x, degre)
    n = degre + 1
    return sum(t * f for t, f in zip(theta[:n], phi)), sum(t * f for t, f in zip(theta[n:], phi))


def probabilites(s, a, b):
    w = sigma((s - a) / b)
    l = sigma((-s - a) / b)
    return w, max(1.0 - w - l, 0.0), l


PLANCHER = 1e-12


def vraisemblance(theta, donnees, degre, derivees=True):
    """Log-likelihood, its gradient and Hessian in theta (None if invalid)."""
    n = degre + 1
    dim = 2 * n
    ll = 0.0
    g = [0.0] * dim
    H = [[0.0] * dim for _ in range(dim)]
    for s, x, r in donnees:
        phi = puissances(x, degre)
        a = sum(t * f for t, f in zip(theta[:n], phi))
        b = sum(t * f for t, f in zip(theta[n:], phi))
        if a <= 0.0 or b <= 0.0:
            return None
        u, v = (s - a) / b, (-s - a) / b
        su, sv = sigma(u), sigma(v)
        gu, gv = su * (1.0 - su), sv * (1.0 - sv)
        # f(u, v) = log-probability of the outcome, and its derivatives.
        if r == VICTOIRE:
            ll += math.log(max(su, PLANCHER))
            fu, fv, fuu, fuv, fvv = 1.0 - su, 0.0, -gu, 0.0, 0.0
        elif r == DEFAITE:
            ll += math.log(max(sv, PLANCHER))
            fu, fv, fuu, fuv, fvv = 0.0, 1.0 - sv, 0.0, 0.0, -gv
        else:
            D = max(1.0 - su - sv, PLANCHER)
            ll += math.log(D)
            Du, Dv = -gu, -gv
            fu, fv = Du / D, Dv / D
            fuu = -gu * (1.0 - 2.0 * su) / D - fu * fu
            fvv = -gv * (1.0 - 2.0 * sv) / D - fv * fv
            fuv = -fu * fv
        if not derivees:
            continue
        # u and v against a and b.
        ua = va = -1.0 / b
        ub, vb = -u / b, -v / b
        uab = vab = 1.0 / (b * b)
        ubb, vbb = 2.0 * u / (b * b), 2.0 * v / (b * b)
        fa = fu * ua + fv * va
        fb = fu * ub + fv * vb
        faa = fuu * ua * ua + 2.0 * fuv * ua * va + fvv * va * va
        fab = fuu * ua * ub + fuv * (ua * vb + ub * va) + fvv * va * vb + fu * uab + fv * vab
        fbb = fuu * ub * ub + 2.0 * fuv * ub * vb + fvv * vb * vb + fu * ubb + fv * vbb
        for i in range(n):
            g[i] += fa * phi[i]
            g[n + i] += fb * phi[i]
            for j in range(n):
                pp = phi[i] * phi[j]
                H[i][j] += faa * pp
                H[i][n + j] += fab * pp
                H[n + i][j] += fab * pp
                H[n + i][n + j] += fbb * pp
    return ll, g, H


def resous(A, y):
    """Solves A z = y by Gaussian elimination with partial pivoting."""
    n = len(y)
    M = [row[:] + [y[i]] for i, row in enumerate(A)]
    for c in range(n):
        p = max(range(c, n), key=lambda i: abs(M[i][c]))
        if abs(M[p][c]) < 1e-300:
            raise ZeroDivisionError
        M[c], M[p] = M[p], M[c]
        for i in range(c + 1, n):
            f = M[i][c] / M[c][c]
            for j in range(c, n + 1):
                M[i][j] -= f * M[c][j]
    z = [0.0] * n
    for i in range(n - 1, -1, -1):
        z[i] = (M[i][n] - sum(M[i][j] * z[j] for j in range(i + 1, n))) / M[i][i]
    return z


def ajuste(donnees, degre, verbeux=False):
    """Maximum-likelihood theta = (a_0..a_d, b_0..b_d)."""
    n = degre + 1
    theta = [150.0] + [0.0] * degre + [100.0] + [0.0] * degre
    res = vraisemblance(theta, donnees, degre)
    lam = 1e-6
    for it in range(100):
        ll, g, H = res
        dim = len(theta)
        # Levenberg-Marquardt damped Newton step: (-H + lam * diag) d = g.
        echelle = [max(abs(H[i][i]), 1e-12) for i in range(dim)]
        progres = False
        for _ in range(40):
            A = [[-H[i][j] + (lam * echelle[i] if i == j else 0.0) for j in range(dim)] for i in range(dim)]
            try:
                d = resous(A, g)
            except ZeroDivisionError:
                lam *= 10.0
                continue
            essai = [t + di for t, di in zip(theta, d)]
            r2 = vraisemblance(essai, donnees, degre)
            if r2 is not None and r2[0] >= ll - 1e-9:
                theta, res, progres = essai, r2, True
                lam = max(lam / 10.0, 1e-9)
                break
            lam *= 10.0
        if verbeux:
            print(f"    iteration {it}: log-likelihood {res[0]:.4f}", file=sys.stderr)
        if not progres or abs(res[0] - ll) < 1e-7 * max(1.0, abs(ll)):
            break
    return theta, res[0]


# ---------------------------------------------------------------------------
# Evaluation.


def log_perte(probas, r):
    return -math.log(max(probas[r], PLANCHER))


def brier(probas, r):
    return sum((p - (1.0 if k == r else 0.0)) ** 2 for k, p in enumerate(probas))


def mesure(donnees, predit):
    lp = br = 0.0
    for s, x, r in donnees:
        p = predit(s, x)
        lp += log_perte(p, r)
        br += brier(p, r)
    return lp / len(donnees), br / len(donnees)


BORNES_SCORE = [-400, -250, -150, -100, -50, -20, 20, 50, 100, 150, 250, 400]


def tranche(s):
    for i, borne in enumerate(BORNES_SCORE):
        if s < borne:
            return i
    return len(BORNES_SCORE)


def nom_tranche(i):
    bas = "" if i == 0 else str(BORNES_SCORE[i - 1])
    haut = "" if i == len(BORNES_SCORE) else str(BORNES_SCORE[i] - 1)
    return f"{bas:>5}..{haut:<5}"


def calibration(donnees, predit, titre):
    nb = len(BORNES_SCORE) + 1
    somme = [[0, [0.0] * 3, [0] * 3] for _ in range(nb)]
    for s, x, r in donnees:
        t = somme[tranche(s)]
        t[0] += 1
        for k, p in enumerate(predit(s, x)):
            t[1][k] += p
        t[2][r] += 1
    print(f"\n{titre}")
    print("  score (cp)    positions   predicted W/D/L %     observed W/D/L %")
    for i, (n, p, o) in enumerate(somme):
        if n == 0:
            continue
        pr = "/".join(f"{100 * v / n:4.1f}" for v in p)
        ob = "/".join(f"{100 * v / n:4.1f}" for v in o)
        print(f"  {nom_tranche(i)}  {n:9d}   {pr:>18}   {ob:>18}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("pgn", nargs="+", help="PGN files with UCI moves and score comments")
    ap.add_argument("--mesure", choices=sorted(MESURES), default="total", help="material measure of the model")
    ap.add_argument("--degre", type=int, default=2, help="degree of the polynomials a(m) and b(m)")
    ap.add_argument("--saut-plies", type=int, default=0, help="plies skipped at the start of each game's movetext")
    ap.add_argument("--validation", type=int, default=5, help="hold out the games of every Nth opening")
    ap.add_argument("--comparer", action="store_true", help="also fit every measure and degree 0..3 and compare")
    ap.add_argument("-v", "--verbeux", action="store_true")
    args = ap.parse_args()

    parties, resultats, ouvertures, rejetees = extrait(args.pgn, args.saut_plies, MESURES)

    def jeu(indices, nom_mesure):
        return [(s, mat[nom_mesure] / ECHELLE, r) for i in indices for s, mat, r in parties[i]]

    # Openings numbered in order of first appearance; the games of every
    # Nth opening are held out, the others are the training set.  Inside
    # the training set, the games of every Nth remaining opening serve to
    # compare the measures and degrees, so the held-out games stay unseen.
    numeros = {}
    for f in ouvertures:
        numeros.setdefault(f, len(numeros))
    rang = [numeros[f] for f in ouvertures]
    N = args.validation
    valid = [i for i in range(len(parties)) if rang[i] % N == N - 1]
    entr = [i for i in range(len(parties)) if rang[i] % N != N - 1]

    print(f"games read: {len(parties)} (rejected: {rejetees})")
    print("results (White's view) 1-0 / draw / 0-1: " + " / ".join(str(resultats.count(r)) for r in (1, 0, -1)))
    print(f"training: {len(entr)} games, {sum(len(parties[i]) for i in entr)} positions")
    print(f"held out: {len(valid)} games, {sum(len(parties[i]) for i in valid)} positions")

    entr_d = jeu(entr, args.mesure)
    valid_d = jeu(valid, args.mesure)
    freq = [0, 0, 0]
    for _, _, r in entr_d:
        freq[r] += 1
    base = [f / len(entr_d) for f in freq]
    print("training outcome frequencies (side to move) W/D/L: " + "/".join(f"{100 * f:.1f}%" for f in base))
    mats = sorted(round(x * ECHELLE) for _, x, _ in entr_d)
    print(
        f"material '{args.mesure}': min {mats[0]}, 1% {mats[len(mats) // 100]}, "
        f"median {mats[len(mats) // 2]}, 99% {mats[99 * len(mats) // 100]}, max {mats[-1]}"
    )

    if args.comparer:
        interne_e = [i for i in entr if (rang[i] // N) % N != N - 1]
        interne_v = [i for i in entr if (rang[i] // N) % N == N - 1]
        print(
            f"\nmodel comparison inside the training set ({len(interne_e)} games to fit, "
            f"{len(interne_v)} to compare): log-loss / Brier"
        )
        for nom in sorted(MESURES):
            e, v = jeu(interne_e, nom), jeu(interne_v, nom)
            for d in range(4):
                th, _ = ajuste(e, d)
                lp, br = mesure(v, lambda s, x: probabilites(s, *ab(th, x, d)))
                print(f"  {nom:7s} degree {d}: {lp:.4f} / {br:.4f}")

    theta, ll = ajuste(entr_d, args.degre, args.verbeux)
    n = args.degre + 1
    print(f"\nmodel: material '{args.mesure}', x = m / {ECHELLE:g}, degree {args.degre}")
    print("  a(x) = " + " + ".join(f"{t:.4f}*x^{k}" for k, t in enumerate(theta[:n])))
    print("  b(x) = " + " + ".join(f"{t:.4f}*x^{k}" for k, t in enumerate(theta[n:])))
    print(f"  training log-likelihood per position: {ll / len(entr_d):.4f}")
    print("  a, b (cp) by material:")
    for m in (6, 10, 15, 20, 30, 40, 50, 60, 70, 78):
        a, b = ab(theta, m / ECHELLE, args.degre)
        print(f"    m = {m:2d}: a = {a:7.1f}  b = {b:6.1f}")

    def modele(s, x):
        return probabilites(s, *ab(theta, x, args.degre))

    def constante(s, x):
        return base

    lp_m, br_m = mesure(valid_d, modele)
    lp_b, br_b = mesure(valid_d, constante)
    lp_t, br_t = mesure(entr_d, modele)
    print("\nheld-out games:")
    print(f"  log-loss  model {lp_m:.4f}   baseline {lp_b:.4f}   (training set: model {lp_t:.4f})")
    print(f"  Brier     model {br_m:.4f}   baseline {br_b:.4f}   (training set: model {br_t:.4f})")
    calibration(valid_d, modele, "calibration on the held-out games, by score:")

    # The engine clamps the material to the range the games cover well:
    # from its first percentile to the starting material.
    bas, haut = mats[len(mats) // 100], round(ECHELLE)
    plage = [ab(theta, m / ECHELLE, args.degre) for m in range(bas, haut + 1)]
    print("\nconstants for engine/wdl.cpp:")
    print("  CoefsA = {" + ", ".join(f"{t:.4f}" for t in theta[:n]) + "}")
    print("  CoefsB = {" + ", ".join(f"{t:.4f}" for t in theta[n:]) + "}")
    print(f"  material clamped to [{bas}, {haut}]")
    print(f"  over that range: a >= {min(a for a, _ in plage):.1f}, b >= {min(b for _, b in plage):.1f}")
    if min(min(a, b) for a, b in plage) <= 0.0:
        print("  warning: a or b is not positive over the range")


if __name__ == "__main__":
    main()
