// The information lines a search sends while it thinks.
#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "../platform/plateforme.h"
#include "searcher.h"
#include "wdl.h"

namespace velkar {

// Appends formatted text to the line being built in TamponInfos, never past
// its end (a full buffer cuts the line instead of overflowing it).
char* TChercheur::AjouteInfos(char* p, const char* Format, ...) {
    const char* const Fin = std::end(TamponInfos);
    va_list Arguments;
    va_start(Arguments, Format);
    const int n = std::vsnprintf(p, static_cast<size_t>(Fin - p), Format, Arguments);
    va_end(Arguments);
    if (n < 0) return p;
    return p + std::min<ptrdiff_t>(n, Fin - p - 1);
}

// " [time T] nodes N [nps X] hashfull H", the counters that end every line;
// nps is left out while no millisecond has passed.
char* TChercheur::EcritCompteurs(char* p, bool AvecTemps) {
    const int32_t Temps = static_cast<int32_t>(static_cast<uint32_t>(plateforme::GetTickCount()) - DebutRecherche);
    if (AvecTemps) p = AjouteInfos(p, " time %d", Temps);
    const uint64_t Tous = NoeudsTotal();
    p = AjouteInfos(p, " nodes %" PRIu64, Tous);
    if (Temps != 0) {
        const double Nps = static_cast<double>(Tous) / static_cast<double>(Temps) * 1000.0;
        p = AjouteInfos(p, " nps %" PRIu64, static_cast<uint64_t>(Nps));
    }
    if (PiecesFinales > 0) p = AjouteInfos(p, " tbhits %" PRIu64, TbHitsTotal());
    p = AjouteInfos(p, " hashfull %d", Transposition.Remplissage());
    return p;
}

std::string_view TChercheur::ChaineInfosSimple() {
    char* p = TamponInfos;
    p = AjouteInfos(p, "info depth %d seldepth %d", Iteration, ProfondeurSel);
    p = EcritCompteurs(p, false);
    return std::string_view(TamponInfos, static_cast<size_t>(p - TamponInfos));
}

std::string_view TChercheur::ChaineInfosPrimaire(int32_t NumeroCoup, std::string_view TexteCoupCourant) {
    char* p = TamponInfos;
    p = AjouteInfos(p, "info depth %d seldepth %d currmove %.*s currmovenumber %d", Iteration, ProfondeurSel,
                    static_cast<int>(TexteCoupCourant.size()), TexteCoupCourant.data(), NumeroCoup);
    p = EcritCompteurs(p, true);
    return std::string_view(TamponInfos, static_cast<size_t>(p - TamponInfos));
}

// The variation as text, each move followed by a blank; returns its length.
size_t TChercheur::TexteVariation(const LigneVP& Ligne, char* Texte) const {
    size_t k = 0;
    for (int32_t i = 0; i < Ligne.NbCoups; ++i) {
        const TCoupUci& c = Ligne.Coups[i];
        k += static_cast<size_t>(EcritCoup(Texte + k, c.Depart, c.Arrivee, c.Promotion));
        Texte[k++] = ' ';
    }
    return k;
}

// " score cp X" or " score mate N", and the win, draw and loss chances when
// the option asks for them.
char* TChercheur::EcritScore(char* p, int32_t Score) {
    if (std::abs(Score) < SeuilMat) {
        p = AjouteInfos(p, " score cp %d", Score);
    } else {
        const int32_t Mat = (ValeurMat - std::abs(Score)) / 2;
        p = AjouteInfos(p, " score mate %d", Score < 0 ? -Mat : Mat);
    }
    if (Reglages.AfficheWdl) {
        int32_t Gain, Nulle, Perte;
        Wdl(Score, Gain, Nulle, Perte);
        p = AjouteInfos(p, " wdl %d %d %d", Gain, Nulle, Perte);
    }
    LigneAvecScore = true;
    return p;
}

std::string_view TChercheur::ChaineInfos(pLigne Ligne, int32_t Score, int32_t NumeroCoup,
                                         std::string_view TexteCoupCourant) {
    char Variation[CoupsParLigne * 6 + 1];
    const size_t k = TexteVariation(*Ligne, Variation);
    const std::string_view Nouvelle(Variation, k);
    // Nothing new to say when the variation is the last one sent, or a
    // beginning of it.
    if (std::string_view(DerniereVP).substr(0, k) == Nouvelle) return {};
    DerniereVP.assign(Nouvelle);

    char* p = TamponInfos;
    p = AjouteInfos(p, "info depth %d seldepth %d currmove %.*s currmovenumber %d", Iteration, ProfondeurSel,
                    static_cast<int>(TexteCoupCourant.size()), TexteCoupCourant.data(), NumeroCoup);
    p = EcritScore(p, Score);
    p = EcritCompteurs(p, true);
    p = AjouteInfos(p, " pv %.*s", static_cast<int>(k), Variation);
    return std::string_view(TamponInfos, static_cast<size_t>(p - TamponInfos));
}

std::string_view TChercheur::ChaineInfosMultiPV(int32_t Numero, const LigneVP& Ligne, int32_t Score) {
    char Variation[CoupsParLigne * 6 + 1];
    const size_t k = TexteVariation(Ligne, Variation);
    char* p = TamponInfos;
    p = AjouteInfos(p, "info depth %d seldepth %d multipv %d", Iteration, ProfondeurSel, Numero);
    p = EcritScore(p, Score);
    p = EcritCompteurs(p, true);
    p = AjouteInfos(p, " pv %.*s", static_cast<int>(k), Variation);
    return std::string_view(TamponInfos, static_cast<size_t>(p - TamponInfos));
}

void TChercheur::Wdl(int32_t Score, int32_t& Gain, int32_t& Nulle, int32_t& Perte) const {
    ModeleWdl(Score, MaterielWdl(Pos), Gain, Nulle, Perte);
}

std::string_view TChercheur::ChaineInfosFinale(std::string_view Coup) {
    char* p = TamponInfos;
    p = AjouteInfos(p, "info depth %d seldepth %d", std::max(ProfondeurCoupRacine, 1), ProfondeurSel);
    p = EcritScore(p, ScoreCoupRacine);
    p = EcritCompteurs(p, true);
    p = AjouteInfos(p, " pv %.*s", static_cast<int>(Coup.size()), Coup.data());
    return std::string_view(TamponInfos, static_cast<size_t>(p - TamponInfos));
}

}  // namespace velkar
