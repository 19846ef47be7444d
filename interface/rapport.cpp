// The engine's reports as UCI info lines.
#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "interface/interface.h"

namespace velkar {

namespace {

// printf-style argument checking where the compiler offers it.
#if defined(__GNUC__)
#define VELKAR_FORMAT_PRINTF(Format, Arguments) __attribute__((format(printf, Format, Arguments)))
#else
#define VELKAR_FORMAT_PRINTF(Format, Arguments)
#endif

// A line built in a buffer of fixed size, never past its end (a full
// buffer cuts the line instead of overflowing it): reports are written
// while the engine searches, and nothing is allocated then.
class TLigne {
public:
    VELKAR_FORMAT_PRINTF(2, 3) void Ajoute(const char* Format, ...) {
        const char* const Fin = std::end(Tampon);
        va_list Arguments;
        va_start(Arguments, Format);
        const int n = std::vsnprintf(p, static_cast<size_t>(Fin - p), Format, Arguments);
        va_end(Arguments);
        if (n > 0) p += std::min<ptrdiff_t>(n, Fin - p - 1);
    }
    void AjouteCoup(const TCoupUci& c) {
        char Coup[6];
        Ajoute("%.*s", EcritCoup(Coup, c.Depart, c.Arrivee, c.Promotion), Coup);
    }
    std::string_view Texte() const { return std::string_view(Tampon, static_cast<size_t>(p - Tampon)); }

private:
    char Tampon[2048 + CoupsParLigne * 6];
    char* p = Tampon;
};

// " score cp X" or " score mate N", and the win, draw and loss chances when
// the option asks for them.
void EcritScore(TLigne& l, const TInfos& i, bool AfficheWdl) {
    if (std::abs(i.Score) < SeuilMat) {
        l.Ajoute(" score cp %d", i.Score);
    } else {
        l.Ajoute(" score mate %d", CoupsAvantMat(i.Score));
    }
    if (AfficheWdl) l.Ajoute(" wdl %d %d %d", i.Gain, i.Nulle, i.Perte);
}

// " [time T] nodes N [nps X] [tbhits H] hashfull F", the counters that end
// every line; nps is left out while no millisecond has passed.
void EcritCompteurs(TLigne& l, const TInfos& i, bool AvecTemps) {
    if (AvecTemps) l.Ajoute(" time %d", i.Temps);
    l.Ajoute(" nodes %" PRIu64, i.Noeuds);
    if (i.Temps != 0) {
        const double Nps = static_cast<double>(i.Noeuds) / static_cast<double>(i.Temps) * 1000.0;
        l.Ajoute(" nps %" PRIu64, static_cast<uint64_t>(Nps));
    }
    if (i.AvecTbHits) l.Ajoute(" tbhits %" PRIu64, i.TbHits);
    l.Ajoute(" hashfull %d", i.Remplissage);
}

// " pv" and the moves, each followed by a blank.
void EcritVariation(TLigne& l, const LigneVP& v) {
    l.Ajoute(" pv ");
    for (int32_t k = 0; k < v.NbCoups; ++k) {
        l.AjouteCoup(v.Coups[k]);
        l.Ajoute(" ");
    }
}

}  // namespace

void TRapporteurUci::Infos(const TInfos& i) {
    TLigne l;
    if (i.Genre == TInfos::SansCoup) {
        l.Ajoute("info depth 0");
        EcritScore(l, i, AfficheWdl);
        Ecrit(l.Texte());
        return;
    }
    l.Ajoute("info depth %d seldepth %d", i.Profondeur, i.ProfondeurSel);
    switch (i.Genre) {
        case TInfos::Progression: EcritCompteurs(l, i, false); break;
        case TInfos::CoupCourant:
            l.Ajoute(" currmove ");
            l.AjouteCoup(i.Coup);
            l.Ajoute(" currmovenumber %d", i.NumeroCoup);
            EcritCompteurs(l, i, true);
            break;
        case TInfos::Variation:
            l.Ajoute(" currmove ");
            l.AjouteCoup(i.Coup);
            l.Ajoute(" currmovenumber %d", i.NumeroCoup);
            EcritScore(l, i, AfficheWdl);
            EcritCompteurs(l, i, true);
            EcritVariation(l, *i.Ligne);
            break;
        case TInfos::MultiPV: l.Ajoute(" multipv %d", i.NumeroVariation); [[fallthrough]];
        case TInfos::Retenue:
            EcritScore(l, i, AfficheWdl);
            EcritCompteurs(l, i, true);
            EcritVariation(l, *i.Ligne);
            break;
        default:  // Finale: the one move played, with no blank after it
            EcritScore(l, i, AfficheWdl);
            EcritCompteurs(l, i, true);
            l.Ajoute(" pv ");
            l.AjouteCoup(i.Ligne->Coups[0]);
            break;
    }
    Ecrit(l.Texte());
}

void TRapporteurUci::CoupRechercheIllegal(const TCoupUci& Coup) {
    Ecrit("info string searchmoves: " + TexteCoup(Coup) + " is not a legal move here, ignored");
}

}  // namespace velkar
