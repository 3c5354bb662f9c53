#pragma once

// The logical solver: solves a puzzle the way a person does, one named step at a time
// on pencil marks, and from those steps rates the puzzle, explains it and gives hints.
//
// Every call is a pure function of its arguments or works only on the objects it is
// given: there is no shared mutable state, so threads may work on different puzzles at
// once. The first chain search on a thread allocates that thread's workspace (about
// 330 KB, kept until the thread ends, so that a small thread stack is enough) and its
// tables of chain lengths, which grow to the largest position searched (at most about
// 2 MB), and the first dynamic chain search about 400 KB more; after that, finding and
// applying steps allocates nothing but the proofs of dynamic chain steps (Step::proof)
// and their searches' short lists, and only the calls that return text (format...) or
// grow a caller's step list do. Allocation failure throws std::bad_alloc.
//
// Cells are numbered 0 to 80 in row-major order; in text they are r1c1 to r9c9. Houses
// (rows, columns, boxes) are numbered 0 to 26: rows 0-8, columns 9-17, boxes 18-26.
// Digits are 1 to 9; a set of digits is a 9-bit mask, bit d-1 for digit d.

#include <sudoku/cells.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SUDOKU_API sudoku {
namespace logic {

// The techniques. The solver tries them by rising weight, which today is this order.
// The chains: x (one digit), y (bivalue cells) or both kinds of links, as cycles
// (continuous loops) or forcing chains (a candidate that implies its own opposite), and
// cell and unit forcing chains (every candidate of a cell, or place of a digit in a
// house, implies the same).
enum class Technique : std::uint8_t {
    fullHouse,
    hiddenSingle,
    directPointing,
    directClaiming,
    directHiddenPair,
    nakedSingle,
    directHiddenTriple,
    pointing,
    claiming,
    nakedPair,
    xWing,
    hiddenPair,
    nakedTriple,
    swordfish,
    hiddenTriple,
    xyWing,
    xyzWing,
    uniqueRectangle,
    uniqueLoop,
    nakedQuad,
    jellyfish,
    hiddenQuad,
    bivalueUniversalGrave,
    alignedPairExclusion,
    xCycle,
    yCycle,
    turbotFish, // skyscrapers, two-string kites: single-digit chains of four nodes
    forcingXChain,
    cycle,
    forcingChain,
    alignedTripleExclusion,
    // Chains that follow the grid as it changes (ChainProof) are marked *: one digit's,
    // then all digits' singles, then with more rules inside each branch, nested deeper.
    nishioForcingChain, // *
    cellForcingChain,
    unitForcingChain,
    dynamicCellForcingChain, // * and all below
    dynamicUnitForcingChain,
    dynamicContradictionForcingChain,
    dynamicDoubleForcingChain,
    dynamicForcingChainPlus,    // branches also use locked candidates
    nestedForcingChain,         // ... and static forcing chains
    nestedMultipleForcingChain, // ... and static cell and unit forcing chains
    nestedDynamicForcingChain,  // ... and dynamic forcing chains; the last: techniqueCount follows from it
};
inline constexpr int techniqueCount = static_cast<int>(Technique::nestedDynamicForcingChain) + 1;

// The technique's one name, lowercase words joined by hyphens ("unique-rectangle"), as
// every output writes it. A value outside the enumeration gives "".
[[nodiscard]] std::string_view techniqueName(Technique technique);

// The technique with that name, or none.
[[nodiscard]] std::optional<Technique> techniqueFromName(std::string_view name);

// The technique's base weight in tenths (32 for x-wing's 3.2); a step may weigh a
// little more (a hidden single in a line, a longer chain). 0 outside the enumeration.
[[nodiscard]] int baseWeight(Technique technique);

// True for the techniques that are sound only when the puzzle has one solution.
[[nodiscard]] bool needsUniqueSolution(Technique technique);

// Chains, and each branch of a forcing chain, are searched up to this many strong
// links (so up to twice as many nodes).
inline constexpr int maxChainLinks = 16;

using Digits = std::uint16_t;

struct Candidate {
    std::uint8_t cell = 0;  // 0 to 80
    std::uint8_t digit = 0; // 1 to 9
};

// The proof of a dynamic or nested forcing chain step: its branches, each an assumption
// and what follows from it on the grid as it changes. Immutable once made; steps share
// it (copying a step copies the pointer), and only these techniques allocate one.
//
// Contract: in each branch, nodes[0] is the assumption (rule assumption) and every node
// holds on the position of the step once the assumption and the nodes before it are
// applied (a true node placed, a false one removed), by its rule; its causes (earlier
// nodes of the same branch) are the nodes the rule used. A branch ends in its claim
// (the last node) or, when `contradiction`, in a clash: the last node is then a node
// that cannot hold (a placement of a digit that is no longer a candidate), or the
// position after it has a cell without candidate or a house without place for a digit.
// A nested node carries the proof, of one contradiction branch, that its candidate is
// false; that proof starts from the position where the node was found, and its nodes of
// rule `given` are the enclosing branch's nodes it used.
struct ChainProof {
    enum class Rule : std::uint8_t {
        assumption,       // the branch's hypothesis
        placement,        // false: a true node in the cell, or of the digit in a peer
        nakedSingle,      // true: every other candidate of the cell is false
        hiddenSingle,     // true: every other place of the digit in a house is false
        lockedCandidates, // false: the digit's places in a box lie in a line, or the reverse
        nested,           // false: its own proof (`nested`) shows the candidate cannot be true
        given,            // in a nested proof: a node of the enclosing branch
        clash,            // the last node of a contradiction branch that adds no candidate
    };
    struct Node {
        Candidate candidate;
        bool isTrue = false; // placed (true) or ruled out (false)
        Rule rule = Rule::assumption;
        std::uint16_t firstCause = 0; // into Branch::causes
        std::uint16_t causeCount = 0;
        std::shared_ptr<const ChainProof> nested;
    };
    struct Branch {
        std::vector<Node> nodes;
        std::vector<std::uint16_t> causes; // indices of earlier nodes
        bool contradiction = false;
    };
    std::vector<Branch> branches;
    int length = 0; // what the step's weight reads: about the number of nodes, nested ones included
};

// One step: the technique, the pattern it found and its effect. Each array holds as
// many entries as its count says; the entries past the count mean nothing, and the
// arrays' sizes are room that a later version may change: read the counts.
struct Step {
    Technique technique = Technique::fullHouse;
    std::uint8_t weight = 0; // tenths: the step's difficulty on the rating scale
    Digits digits = 0;       // the digits that make the pattern
    // Houses of the pattern: the single's house, box then line for locked candidates,
    // the subset's house, base lines then cover lines for fish, the strong link's
    // house, the unit forcing chain's house.
    std::uint8_t houseCount = 0;
    std::array<std::uint8_t, 8> houses{};
    // Cells of the pattern: subset cells, pivot then pincers, rectangle corners, ...
    std::uint8_t cellCount = 0;
    std::array<std::uint8_t, 8> cells{};
    std::array<Digits, 8> cellDigits{}; // each pattern cell's candidates then
    // A chain's nodes: chain[0] = chain[1] is a strong link, chain[1] - chain[2] weak, and
    // so on; its ends chain[0] and chain[chainLength-1] cannot both be false. A forcing
    // chain removes a candidate weakly linked to both ends, or places its ends when they
    // are one candidate; a cycle's ends are weakly linked too, closing the loop.
    std::uint8_t chainLength = 0;
    std::array<Candidate, 2 * maxChainLinks> chain{};
    // A forcing chain's branches, one for each candidate of its cell or place of its
    // digit in its house: branch[0] is that candidate, true; branch[0] - branch[1] is a
    // weak link, then strong and weak links alternate up to the last node, which is
    // then false (removed) after an even count of nodes, true (placed) after an odd one.
    std::uint8_t branchCount = 0;
    std::array<std::uint8_t, 9> branchLength{};
    std::array<std::array<Candidate, 2 * maxChainLinks + 2>, 9> branches{};
    // The effect: one placement, or eliminations (sorted by cell, then digit).
    bool places = false;
    Candidate placement{};
    std::uint8_t eliminationCount = 0;
    std::array<Candidate, 48> eliminations{};
    // The dynamic and nested forcing chains' proof (null for every other technique):
    // contradiction, the branch of the assumption the step negates; cell, a branch per
    // candidate of cells[0]; unit, a branch per place of `digits` in houses[0]; double,
    // the candidate true then false. Each branch ends in the step's effect.
    std::shared_ptr<const ChainProof> proof;

    // The arrays' sizes, under their former names: read the counts instead.
    [[deprecated("read houseCount; houses.size() is room, not API")]] static constexpr int maxHouses =
        static_cast<int>(std::tuple_size_v<decltype(houses)>);
    [[deprecated("read cellCount; cells.size() is room, not API")]] static constexpr int maxCells =
        static_cast<int>(std::tuple_size_v<decltype(cells)>);
    [[deprecated("read chainLength; chain.size() is room, not API")]] static constexpr int maxChain =
        static_cast<int>(std::tuple_size_v<decltype(chain)>);
    [[deprecated("read branchCount; branches.size() is room, not API")]] static constexpr int maxBranches =
        static_cast<int>(std::tuple_size_v<decltype(branches)>);
    [[deprecated("read branchLength; branches[0].size() is room, not API")]] static constexpr int maxBranch =
        static_cast<int>(std::tuple_size_v<decltype(branches)::value_type>);
    [[deprecated("read eliminationCount; eliminations.size() is room, not API")]] static constexpr int maxEliminations =
        static_cast<int>(std::tuple_size_v<decltype(eliminations)>);
};

// A position: the digits placed so far and the candidates of each empty cell.
class Board {
public:
    // An empty grid with every candidate in every cell.
    Board();

    // The position of a puzzle: its givens placed, and every empty cell holding the
    // digits that no given in its row, column or box has. None when a cell holds a
    // value above 9 or two givens clash (<sudoku/engine.h>'s findBadCell and findClash say
    // which). A puzzle without solution still loads; its steps then mean nothing.
    [[nodiscard]] static std::optional<Board> fromPuzzle(const Cells& puzzle);

    // A position from pencil marks, for building positions by hand: values[i] is 0 for
    // an empty cell or the digit placed there; marks[i] the empty cell's candidates.
    // None when a value is above 9, placed digits clash, a placed cell has marks, a mark
    // is above bit 8, or an empty cell holds a candidate that a placed peer rules out.
    [[nodiscard]] static std::optional<Board> fromMarks(const Cells& values, const std::array<Digits, 81>& marks);

    // The digit in a cell (0 when empty), the candidates of an empty cell (0 for a
    // placed one). A cell outside 0 to 80 gives 0.
    [[nodiscard]] std::uint8_t value(int cell) const
    {
        return static_cast<unsigned>(cell) < 81 ? values_[static_cast<std::size_t>(cell)] : 0;
    }
    [[nodiscard]] Digits candidates(int cell) const
    {
        return static_cast<unsigned>(cell) < 81 ? marks_[static_cast<std::size_t>(cell)] : 0;
    }
    [[nodiscard]] int emptyCells() const { return empty_; }
    // The empty cells of a house (0 to 26); 0 outside.
    [[nodiscard]] int emptyIn(int house) const
    {
        return static_cast<unsigned>(house) < 27 ? houseEmpty_[static_cast<std::size_t>(house)] : 0;
    }
    [[nodiscard]] const Cells& values() const { return values_; }

    // Applies a step's effect: the placement (which also removes the digit from the
    // cell's peers) or the eliminations. False, and the board unchanged, when the step
    // does not fit: a cell or digit out of range, a placement on a placed cell or of a
    // digit that is not a candidate there.
    [[nodiscard]] bool apply(const Step& step);

    // Places or removes one candidate; false when out of range or not a candidate (a
    // removal may be asked for whether or not the candidate is there).
    [[nodiscard]] bool place(int cell, int digit);
    bool eliminate(int cell, int digit);

private:
    Cells values_{};
    std::array<Digits, 81> marks_{};
    int empty_ = 81;
    std::array<std::uint8_t, 27> houseEmpty_{};
};

// Finds the step of lowest weight that any technique has, ties to the earlier
// technique, into `step`; false when none does. Unique-solution techniques are tried only when `uniqueSolution` is
// true: pass it only for a puzzle the engine has shown to have exactly one solution.
[[nodiscard]] bool findStep(const Board& board, bool uniqueSolution, Step& step);

// Finds the first step of one technique (whatever easier ones would find); false when
// it does not apply. Unique-rectangle steps assume the puzzle has one solution.
[[nodiscard]] bool findStep(const Board& board, Technique technique, Step& step);

// The grades, each a range of scores.
enum class Grade : std::uint8_t { easy, medium, hard, expert, extreme };
inline constexpr int gradeCount = 5;

// "easy" to "extreme"; "" outside the enumeration.
[[nodiscard]] std::string_view gradeName(Grade grade);

// The grade of a score in tenths: easy up to 2.5 (singles and the direct techniques),
// medium 2.6 to 3.9, hard 4.0 to 5.9, expert 6.0 to 7.4, extreme from 7.5 (long and
// nested chains, trial).
[[nodiscard]] Grade gradeOf(int score);

// The score given to a puzzle the techniques cannot finish: above every technique's,
// and above the highest rating the community's scale gives.
inline constexpr int trialScore = 120;
// The lowest score of a puzzle with an empty cell (a full house alone), and the highest
// of one the techniques finish (the heaviest step of the last technique). No puzzle
// scores between highestFinishedScore and trialScore.
inline constexpr int lowestScore = 10;
inline constexpr int highestFinishedScore = 119;

// Whether a rating can have `score` (tenths): the score of every puzzle with one
// solution and an empty cell is one. The set is the weights each technique's steps can
// have, and trialScore, so it has gaps (nothing between 2.0 and 2.3, for one). No
// puzzle rates a score outside it; one inside it may still be rare.
[[nodiscard]] bool reachableScore(int score);

// The highest reachable score at or below `score`, and the lowest at or above it; none
// below lowestScore or above trialScore.
[[nodiscard]] std::optional<int> reachableScoreAtOrBelow(int score);
[[nodiscard]] std::optional<int> reachableScoreAtOrAbove(int score);

// GCC would warn about the deprecated member in the constructors it writes for this
// struct, wherever one is used; only code that names the member is to be warned.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
struct Rating {
    // From the engine: solved (it has a solution), noSolution, invalid (clashing
    // givens) or badCell. Only a solved puzzle has the fields below filled.
    Status status = Status::noSolution;
    bool multipleSolutions = false; // then it has no difficulty
    bool finished = false;          // the techniques filled every cell
    // Tenths, on the community's scale (Sudoku Explainer's ER, EP and ED). score (ER):
    // the weight of the hardest step; trialScore when unfinished. firstPlacement (EP):
    // the hardest step up to and including the one that places the first cell.
    // firstStep (ED): the weight of the first step. Steps that are never taken count as
    // trialScore (an unfinished puzzle that places nothing has EP 12.0); all three are
    // 0 for a full grid.
    int score = 0;
    int firstPlacement = 0;
    int firstStep = 0;
    Grade grade = Grade::easy;
    std::optional<Technique> hardest; // of the steps taken; none when there was none
    int steps = 0;

    // How many of the steps were of `technique`; 0 outside the enumeration.
    [[nodiscard]] int timesUsed(Technique technique) const;

    // The same counts as an array indexed by technique. Its size is the number of
    // techniques, so adding one would change this struct's layout: read timesUsed().
    [[deprecated("call timesUsed(technique): the array grows with every technique added")]] std::array<std::uint16_t,
                                                                                                       techniqueCount>
        uses{};
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Rates a puzzle: solves it with the techniques, taking at each step the lowest-weight
// step there is (ties to the earlier technique). Defined for every input (see
// Rating::status).
[[nodiscard]] Rating rate(const Cells& puzzle);

// "ER GRADE TECHNIQUE EP ED" ("7.2 expert forcing-chain 1.2 1.2"), "multiple
// solutions", "0.0 easy none 0.0 0.0" for a full grid, "12.0 extreme trial EP ED" for
// an unfinished one; "" unless solved. Scores read with one decimal.
[[nodiscard]] std::string formatRating(const Rating& rating);

// Counts ratings by grade, for summaries.
struct GradeCounts {
    std::array<std::uint64_t, gradeCount> grades{};
    std::uint64_t multipleSolutions = 0;
    std::uint64_t unfinished = 0; // also counted as extreme
    std::uint64_t unsolvable = 0; // noSolution, invalid or badCell
    void add(const Rating& rating);
};

struct Explanation {
    Status status = Status::noSolution; // as in Rating; the rest is filled when solved
    bool multipleSolutions = false;     // steps then stop where no sound step is left
    bool finished = false;
    std::vector<Step> steps;
    Cells solution{}; // the engine's answer, the one plain sudoku-solve gives
};

// Explains a puzzle: every step the techniques take (without unique-solution techniques
// when it has several solutions). Reuses `out.steps`' storage: once it has grown, no
// allocation happens.
void explain(const Cells& puzzle, Explanation& out);

// One step as a line without newline:
//   "x-wing: 5 in rows 2 and 7, columns 3 and 8: r4c3<>5 r9c8<>5"
// (formatExplanation follows a step that has a proof with its branches, a line each,
// indented, nested proofs indented further.)
// "" for a step no finder could have made (a count or cell out of range).
[[nodiscard]] std::string formatStep(const Step& step);

// The line that ends the steps of a puzzle the techniques cannot finish.
[[nodiscard]] std::string_view trialLine();
// The line that ends the steps of a puzzle with several solutions.
[[nodiscard]] std::string_view multipleSolutionsLine();

// A whole --explain record for a solved status: a line per step, the trial or
// several-solutions line when it applies, then the solution as one line of 81 digits,
// or as nine lines "d d d ... d \n" when `grid`. "" unless solved.
[[nodiscard]] std::string formatExplanation(const Explanation& explanation, bool grid);

struct Hint {
    Status status = Status::noSolution; // as in Rating
    bool multipleSolutions = false;
    bool full = false;  // no empty cell
    bool found = false; // a step was found; else the techniques cannot start
    Step step{};
};

// The first step for a puzzle as given (a partly filled grid is a puzzle too).
[[nodiscard]] Hint hint(const Cells& puzzle);

// The hint without newline at its end: the step's line (a dynamic chain's followed by
// its branches, a line each, indented as formatExplanation writes them), or for a full
// grid "none: the grid is full", or the several-solutions or trial line when no step
// holds. "" unless solved.
[[nodiscard]] std::string formatHint(const Hint& hint);

// A position as a player marked it (Board::fromMarks), rated, explained or hinted from
// its marks: its solutions are those that agree with every placed digit and give each
// empty cell one of its candidates, so the status is solved or noSolution, and steps
// start from the candidates as marked.
[[nodiscard]] Rating rate(const Board& position);
void explain(const Board& position, Explanation& out);
[[nodiscard]] Hint hint(const Board& position);

// The one change that gives a marked position without solution exactly one: a placed
// digit that is wrong, or a candidate that was removed but is the solution's digit.
struct Contradiction {
    bool placed = false;   // true: candidate.digit is placed in candidate.cell; false: it was removed
    Candidate candidate{}; // the cell and digit that contradict the solution
};

// Looks, in a position without solution, for the placed digit or removed candidate that
// is wrong: a placed digit is taken back as if never placed (the cell, and its empty
// peers that no other placed digit rules the digit out of, regain it as a candidate); a
// removed candidate is restored alone (only digits that no placed peer holds). None when
// the position has a solution, or when not exactly one such change leaves exactly one
// solution.
[[nodiscard]] std::optional<Contradiction> findContradiction(const Board& position);

// "r4c5=7 contradicts the solution" for a placed digit, "r4c5<>7 contradicts the
// solution" for a removed candidate (as a step writes a placement and an elimination).
[[nodiscard]] std::string formatContradiction(const Contradiction& contradiction);

} // namespace logic
} // namespace sudoku
