// The duties of a searcher besides searching; the defaults below do
// nothing.  The main searcher's (TDevoirsPrincipal) keep the clock, hear the
// input through the listener, watch the node limit and the level's budget,
// and hand what the search finds to the reporter; they are the only writer
// of the stop state during a search.  A helper's (threads.cpp) keep no clock
// and hear nothing: they stop it when the team says so.
#pragma once

#include <cstdint>

#include "limits.h"
#include "report.h"
#include "signals.h"
#include "strength.h"
#include "time.h"

namespace velkar {

class TChercheur;
class TPartageEquipe;
class TPosition;
class TTableTransposition;

class TDevoirs {
public:
    virtual ~TDevoirs() = default;
    // At every check (every few thousand nodes): false when the search
    // must stop now.
    virtual bool Verifie(const TChercheur&) { return true; }
    // Now and then: at a root move (its number and move), or inside a
    // capture search.
    virtual void Progression(const TChercheur&, bool /*Quiescence*/, int32_t /*NumeroCoup*/, const TCoupUci&) {}
    // A new best variation at the root, while its move NumeroCoup is searched.
    virtual void Variation(const TChercheur&, const LigneVP&, int32_t /*Score*/, int32_t /*NumeroCoup*/,
                           const TCoupUci&) {}
    // Variation k (1 the best) of an iteration of that depth that searched
    // several.
    virtual void VariationMultiPV(const TChercheur&, int32_t /*k*/, const LigneVP&, int32_t /*Score*/,
                                  int32_t /*Profondeur*/) {}
    // An iteration ended inside its window and chose a move.
    virtual void IterationFaite(const TChercheur&) {}
    // Between iterations: true when the search ends here.
    virtual bool FinIteration(const TChercheur&) { return false; }
    // After a check stopped the search: the depth another thread finished,
    // from which this one goes on, or 0 when the search ends.
    virtual int32_t Reprise(const TChercheur&) { return 0; }
};

// Nodes between two checks of the clock and the input (less one): the main
// searcher's, the main searcher's at a limited strength (whose node budget
// may be small), and a helper's, which only looks at its stop flag.
constexpr uint64_t IntervallePrincipal = 4095;
constexpr uint64_t IntervalleNiveau = 63;
constexpr uint64_t IntervalleAuxiliaire = 255;

// The bare king: whatever the level, a search of at least this many nodes,
// so that king and queen or king and rook mate it.
constexpr uint64_t NoeudsRoiSeul = 200000;

class TDevoirsPrincipal final : public TDevoirs {
public:
    TDevoirsPrincipal(const TRequete& Requete, TSignaux& Signaux, TEcouteur& Ecouteur, TRapporteur& Rapporteur,
                      TPartageEquipe& Equipe, const TTableTransposition& Transposition);

    // A search of Pos begins: the clock starts and the level is set.
    void Demarre(const TPosition& Pos);
    // What the level asks of the search: the variations to weigh, how often
    // to check, and the level itself (none at full strength or against a
    // bare king, where the best move is played).
    int32_t Variantes() const { return NbVariantes; }
    uint64_t Intervalle() const { return NiveauLimite ? IntervalleNiveau : IntervallePrincipal; }
    const TNiveau* NiveauDuChoix() const { return NiveauLimite && !RoiSeul ? &Niveau : nullptr; }
    // Helpers search beside the main searcher only at full strength.
    bool AvecAuxiliaires() const { return !NiveauLimite; }

    bool Verifie(const TChercheur& c) override;
    void Progression(const TChercheur& c, bool Quiescence, int32_t NumeroCoup, const TCoupUci& Coup) override;
    void Variation(const TChercheur& c, const LigneVP& Ligne, int32_t Score, int32_t NumeroCoup,
                   const TCoupUci& Coup) override;
    void VariationMultiPV(const TChercheur& c, int32_t k, const LigneVP& Ligne, int32_t Score,
                          int32_t Profondeur) override;
    void IterationFaite(const TChercheur& c) override;
    bool FinIteration(const TChercheur& c) override;

    // After the search, before the reply.  At a limited strength, a search
    // that spent its budget early on a clock or movetime waits until half
    // its time is used, as a player of that level would; in infinite and
    // ponder mode the reply waits for stop (or ponderhit).  Both answer the
    // input meanwhile.
    void AttendTempsNaturel();
    void AttendFinRecherche();
    // The line of a search too short to have reported a score: the move it
    // played, Coup, on the board Pos it was played on.  Resolue: the move
    // is the tables', whose result is certain.
    void RapporteFinale(const TChercheur& c, const TPosition& Pos, const TCoupUci& Coup, bool Resolue = false);
    // The team chose another searcher's move: its variation and score are
    // reported as the search's last line.
    void RapporteElu(const TChercheur& Principal, const TChercheur& Elu);
    // A limited level chose another move than its best: that move's
    // variation and score, as the first variation, end the lines.
    void RapporteChoixDuNiveau(const TChercheur& c);
    // No legal move: mated (or stalemated) at depth 0.
    void RapporteSansCoup(bool Mat);

private:
    // The last line: the move Auteur chose, with its score and Ligne, as the
    // first variation; counts from the main searcher, Principal.
    void RapporteRetenue(const TChercheur& Principal, const TChercheur& Auteur, const LigneVP& Ligne);
    // Acts on one event of the listener; false when the search must stop.
    bool Entend(TEcouteur::TEvenement Evenement);
    void Attend(int32_t Millisecondes);
    // The counters that end every report.
    void Compteurs(const TChercheur& c, TInfos& i) const;
    void ScoreDe(const TPosition& Pos, int32_t Score, TInfos& i);
    int32_t TempsEcoule() const;

    const TRequete& Requete;
    const TLimites& Limites;
    TSignaux& Signaux;
    TEcouteur& Ecouteur;
    TRapporteur& Rapporteur;
    TPartageEquipe& Equipe;  // what the helpers share with the main searcher
    const TTableTransposition& Transposition;

    TPendule Pendule;
    uint32_t DebutRecherche = 0;    // the base of the time reported
    uint32_t DernierAffichage = 0;  // the last progress report, at most one a second
    bool LigneAvecScore = false;    // a report with a score went out
    bool NiveauLimite = false, RoiSeul = false;
    TNiveau Niveau{};
    uint64_t BudgetNoeuds = 0;  // the level's node budget; 0 for none
    int32_t NbVariantes = 1;
    // Several variations are shown as numbered multipv lines only when the
    // interface asked for several; a level that weighs candidates with one
    // asked shows plain lines.
    bool LignesNumerotees() const { return NbVariantes > 1 && Requete.Reglages.MultiPV > 1; }
};

}  // namespace velkar
