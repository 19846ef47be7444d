// The win/draw/loss model of the info lines.  For a score s (centipawns,
// from the side to move's view) and the material m on the board:
//
//   P(win)  = 1 / (1 + exp(-(s - a(m)) / b(m)))
//   P(loss) = 1 / (1 + exp( (s + a(m)) / b(m)))
//   P(draw) = 1 - P(win) - P(loss)
//
// a and b are quadratics in x = m / 78, m clamped to 3..78.  a is the score
// at which a win becomes as likely as anything else and b how fast the
// chances change with the score; a > 0 everywhere keeps the draw chance
// positive.  The coefficients are the maximum-likelihood fit of
// tools/wdl/fit_wdl.py to 47474 positions of 400 games of Velkar against
// itself at 60000 nodes a move (100 more games held out to check the fit);
// tools/wdl/README.md gives the commands and the validation figures.
// Refit them when the evaluation's scale changes.
#include "wdl.h"

#include <algorithm>
#include <cmath>

#include "types.h"

namespace velkar {

namespace {

constexpr double CoefsA[3] = {273.1370, -549.2501, 380.1681};  // a(x) = A0 + A1 x + A2 x^2
constexpr double CoefsB[3] = {131.7420, -83.4215, 148.0662};   // b(x) = B0 + B1 x + B2 x^2
constexpr int32_t MaterielBas = 3, MaterielHaut = 78;
constexpr int32_t ValeursWdl[7] = {0, 1, 3, 3, 5, 9, 0};  // by piece type, kings nothing

int32_t PourMille(double t) { return static_cast<int32_t>(std::lround(1000.0 / (1.0 + std::exp(-t)))); }

}  // namespace

int32_t MaterielWdl(const TPosition& Pos) {
    int32_t m = 0;
    for (int32_t n = 1; n <= RoiNoir; ++n)
        if (Pos.Pieces[n].CasePiece > 0) m += ValeursWdl[Pos.Pieces[n].TypePiece];
    return m;
}

void ModeleWdl(int32_t Score, int32_t Materiel, int32_t& Gain, int32_t& Nulle, int32_t& Perte) {
    if (Score >= SeuilMat || Score <= -SeuilMat) {
        Gain = Score > 0 ? 1000 : 0;
        Nulle = 0;
        Perte = 1000 - Gain;
        return;
    }
    const double x = std::clamp(Materiel, MaterielBas, MaterielHaut) / 78.0;
    const double a = CoefsA[0] + x * (CoefsA[1] + x * CoefsA[2]);
    const double b = CoefsB[0] + x * (CoefsB[1] + x * CoefsB[2]);
    Gain = PourMille((Score - a) / b);
    Perte = PourMille((-Score - a) / b);
    // With a > 0 the two chances leave room for a draw and their rounded
    // values cannot pass 1000; the smaller one gives way should they do.
    if (Gain + Perte > 1000) {
        if (Gain > Perte) Perte = 1000 - Gain;
        else
            Gain = 1000 - Perte;
    }
    Nulle = 1000 - Gain - Perte;
}

}  // namespace velkar
