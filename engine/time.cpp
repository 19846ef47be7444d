// The clock of a search: its budget and the tests of the time used.
#include "time.h"

#include <algorithm>
#include <limits>

#include "../platform/plateforme.h"

namespace velkar {

namespace {

// The clock and increment of the side to move: with a fixed time per move
// the clock is 0 and the whole time stands in the increment.
struct TTempsCamp {
    int64_t Temps, Inc;
    bool AvecIncrement;  // either side has an increment
};

// The time left once the interface's loss (Move Overhead) is taken off for
// each of Coups moves; never less than an eighth of it.
int64_t Disponible(int64_t Temps, int64_t Coups, int32_t MoveOverhead) {
    if (MoveOverhead <= 0) return Temps;
    return std::max(Temps - Coups * MoveOverhead, Temps / 8);
}

TTempsCamp TempsDuCamp(const TLimites& L, int32_t Camp, int32_t MoveOverhead) {
    if (L.TempsParCoupFixe) {
        const int64_t t = Disponible(L.TempsParCoup, 1, MoveOverhead);
        return TTempsCamp{0, t, t > 0};
    }
    const bool AuxBlancs = Camp == Blanc;
    return TTempsCamp{AuxBlancs ? L.TempsBlanc : L.TempsNoir, AuxBlancs ? L.IncBlanc : L.IncNoir,
                      L.IncBlanc > 0 || L.IncNoir > 0};
}

// Before a control (movestogo), the most one move may take: four fifths
// of the clock less the interface's loss, so that a search that overruns
// and a slow interface still reach the control; -1 without a control.  As
// everywhere, the loss never leaves less than an eighth of the clock: an
// overhead as large as the clock must not leave a move unsearched.
int64_t PlafondAvantControle(const TLimites& L, int32_t Camp, int32_t MoveOverhead) {
    if (L.TempsParCoupFixe || L.CoupsAvantControle <= 0) return -1;
    const int64_t Temps = Camp == Blanc ? L.TempsBlanc : L.TempsNoir;
    return std::max<int64_t>(Disponible(Temps, 1, MoveOverhead), 0) * 4 / 5;
}

uint32_t Maintenant() { return static_cast<uint32_t>(plateforme::GetTickCount()); }

}  // namespace

int32_t CalculeTemps(const TLimites& L, int32_t Camp, int32_t Miens, int32_t Siens, int32_t MoveOverhead) {
    const TTempsCamp t = TempsDuCamp(L, Camp, MoveOverhead);
    // A control that repeats (movestogo) is planned over the moves left
    // before it when they are fewer than the moves the clock is otherwise
    // divided by: the last moves before the control get the time that is
    // left for them, a control of 40 moves or more is played as any other.
    const int64_t AvantControle = L.TempsParCoupFixe ? 0 : L.CoupsAvantControle;
    const auto Horizon = [AvantControle](int64_t Coups) {
        return AvantControle > 0 ? std::min(AvantControle, Coups) : Coups;
    };
    int64_t Budget;
    // The clock is planned over as many moves as it is divided by.
    if (t.AvecIncrement) {
        // Facing three pieces more, expect a longer game and spend less.
        const int64_t Diviseur = Horizon(Siens >= Miens + 3 ? 42 : 32);
        const int64_t Temps = Disponible(t.Temps, Diviseur, MoveOverhead);
        Budget = (t.Inc * 95 / 100 + Temps / Diviseur) * 87 / 100;
        // On a real clock never plan to spend more than three quarters of
        // what is left, however large the increment.
        if (!L.TempsParCoupFixe && L.Profondeur <= 0) Budget = std::min(Budget, Temps * 3 / 4);
    } else {
        const int64_t Diviseur = Horizon(41);
        Budget = Disponible(t.Temps, Diviseur, MoveOverhead) / Diviseur;
    }
    if (const int64_t Plafond = PlafondAvantControle(L, Camp, MoveOverhead); Plafond >= 0)
        Budget = std::min(Budget, Plafond);
    return static_cast<int32_t>(
        std::clamp<int64_t>(Budget, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void TPendule::Demarre(const TLimites& L, int32_t Overhead, int32_t CampAuTrait, int32_t Miens, int32_t Siens) {
    Limites = &L;
    MoveOverhead = Overhead;
    Camp = CampAuTrait;
    DebutPonder = Maintenant();
    Budget = CalculeTemps(L, Camp, Miens, Siens, MoveOverhead);
    Debut = Maintenant();
}

int64_t TPendule::Passe() const { return static_cast<int64_t>(plateforme::GetTickCount()) - int64_t{Debut}; }

int64_t TPendule::LimiteSansCoup(int32_t Part) const {
    const TTempsCamp t = TempsDuCamp(*Limites, Camp, MoveOverhead);
    const int64_t Reference = Limites->TempsParCoupFixe ? t.Inc : Disponible(t.Temps, 8, MoveOverhead);
    const int64_t Limite = std::max<int64_t>(Budget, Reference / Part);
    const int64_t Plafond = PlafondAvantControle(*Limites, Camp, MoveOverhead);
    return Plafond >= 0 ? std::min(Limite, Plafond) : Limite;
}

bool TPendule::Ecoule(bool DebutFait, bool EnPonder, int32_t Part) const {
    if (Limites->Infini || Limites->Profondeur > 0 || EnPonder) return false;
    const int64_t Ecoule = Passe();
    if (!DebutFait) {
        // The budget does not end the first iteration before a root move
        // has been searched to the end (it takes far less than a
        // millisecond in any real game), but a capture search that
        // explodes must not lose on time.
        return Ecoule >= LimiteSansCoup(Part);
    }
    return Ecoule >= 90 * int64_t{Budget} / 100 || int64_t{Budget} - Ecoule <= 50;
}

bool TPendule::Epuise(bool EnPonder) const {
    // A depth search ignores the clock; a long game never shortens the
    // search (the iteration count, not the game ply, is limited).
    if (Limites->TempsParCoupFixe || Limites->Infini || EnPonder || Limites->Profondeur > 0) return false;
    return int64_t{Budget} - Passe() < 0;
}

void TPendule::PonderHit() {
    const int64_t Ponder = static_cast<int64_t>(plateforme::GetTickCount()) - int64_t{DebutPonder};
    Budget =
        static_cast<int32_t>(std::clamp<int64_t>(int64_t{Budget} + Ponder / 2, 0, std::numeric_limits<int32_t>::max()));
}

}  // namespace velkar
