#pragma once

// The logical solver: solves a puzzle the way a person does, one named step at a time
// on pencil marks, and from those steps rates the puzzle, explains it and gives hints.
//
// Every call is a pure function of its arguments or works only on the objects it is
// given: there is no shared mutable state, so threads may work on different puzzles at
// once. Finding and applying a step allocates nothing; only the calls that return text
// (format...) or grow a caller's step list do. The chain searches keep their work on
// the stack, about 250 KB: a thread that rates puzzles needs a stack above that.
//
// Cells are numbered 0 to 80 in row-major order; in text they are r1c1 to r9c9. Houses
// (rows, columns, boxes) are numbered 0 to 26: rows 0-8, columns 9-17, boxes 18-26.
// Digits are 1 to 9; a set of digits is a 9-bit mask, bit d-1 for digit d.

#include <sudoku/cells.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SUDOKU_API sudoku {
namespace logic {

// The techniques, in the order the solver tries them (rising weight). The grave and
// the forcing chains go past alternating chains, for puzzles those cannot finish.
enum class Technique : std::uint8_t {
    fullHouse,
    hiddenSingle,
    nakedSingle,
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
    skyscraper,
    twoStringKite,
    wWing,
    nakedQuad,
    jellyfish,
    hiddenQuad,
    bivalueUniversalGrave,
    xChain,
    xyChain,
    aic,
    cellForcingChain,
    unitForcingChain,
};
inline constexpr int techniqueCount = 26;

// The technique's one name, lowercase words joined by hyphens ("two-string-kite"), as
// every output writes it. A value outside the enumeration gives "".
std::string_view techniqueName(Technique technique);

// The technique with that name, or none.
std::optional<Technique> techniqueFromName(std::string_view name);

// The technique's base weight in tenths (32 for x-wing's 3.2); a step may weigh a
// little more (a hidden single in a line, a longer chain). 0 outside the enumeration.
int baseWeight(Technique technique);

// True for the techniques that are sound only when the puzzle has one solution.
bool needsUniqueSolution(Technique technique);

// Chains, and each branch of a forcing chain, are searched up to this many strong
// links (so up to twice as many nodes).
inline constexpr int maxChainLinks = 8;

using Digits = std::uint16_t;

struct Candidate {
    std::uint8_t cell = 0;  // 0 to 80
    std::uint8_t digit = 0; // 1 to 9
};

// One step: the technique, the pattern it found and its effect.
struct Step {
    static constexpr int maxHouses = 8;
    static constexpr int maxCells = 8;
    static constexpr int maxChain = 2 * maxChainLinks;
    static constexpr int maxBranches = 9;
    static constexpr int maxBranch = maxChain + 2;
    static constexpr int maxEliminations = 48;

    Technique technique = Technique::fullHouse;
    std::uint8_t weight = 0; // tenths: the step's difficulty on the rating scale
    Digits digits = 0;       // the digits that make the pattern
    // Houses of the pattern: the single's house, box then line for locked candidates,
    // the subset's house, base lines then cover lines for fish, the strong link's
    // house, the unit forcing chain's house.
    std::uint8_t houseCount = 0;
    std::array<std::uint8_t, maxHouses> houses{};
    // Cells of the pattern: subset cells, pivot then pincers, rectangle corners, ...
    std::uint8_t cellCount = 0;
    std::array<std::uint8_t, maxCells> cells{};
    std::array<Digits, maxCells> cellDigits{}; // each pattern cell's candidates then
    // A chain's nodes: chain[0] = chain[1] is a strong link, chain[1] - chain[2] weak, and
    // so on; its ends chain[0] and chain[chainLength-1] cannot both be false.
    std::uint8_t chainLength = 0;
    std::array<Candidate, maxChain> chain{};
    // A forcing chain's branches, one for each candidate of its cell or place of its
    // digit in its house: branch[0] is that candidate, true; branch[0] - branch[1] is a
    // weak link, then strong and weak links alternate up to the last node, which is
    // then false.
    std::uint8_t branchCount = 0;
    std::array<std::uint8_t, maxBranches> branchLength{};
    std::array<std::array<Candidate, maxBranch>, maxBranches> branches{};
    // The effect: one placement, or eliminations (sorted by cell, then digit).
    bool places = false;
    Candidate placement{};
    std::uint8_t eliminationCount = 0;
    std::array<Candidate, maxEliminations> eliminations{};
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
    static std::optional<Board> fromPuzzle(const Cells& puzzle);

    // A position from pencil marks, for building positions by hand: values[i] is 0 for
    // an empty cell or the digit placed there; marks[i] the empty cell's candidates.
    // None when a value is above 9, placed digits clash, a placed cell has marks, a mark
    // is above bit 8, or an empty cell holds a candidate that a placed peer rules out.
    static std::optional<Board> fromMarks(const Cells& values, const std::array<Digits, 81>& marks);

    // The digit in a cell (0 when empty), the candidates of an empty cell (0 for a
    // placed one). A cell outside 0 to 80 gives 0.
    std::uint8_t value(int cell) const
    {
        return static_cast<unsigned>(cell) < 81 ? values_[static_cast<std::size_t>(cell)] : 0;
    }
    Digits candidates(int cell) const
    {
        return static_cast<unsigned>(cell) < 81 ? marks_[static_cast<std::size_t>(cell)] : 0;
    }
    int emptyCells() const { return empty_; }
    // The empty cells of a house (0 to 26); 0 outside.
    int emptyIn(int house) const
    {
        return static_cast<unsigned>(house) < 27 ? houseEmpty_[static_cast<std::size_t>(house)] : 0;
    }
    const Cells& values() const { return values_; }

    // Applies a step's effect: the placement (which also removes the digit from the
    // cell's peers) or the eliminations. False, and the board unchanged, when the step
    // does not fit: a cell or digit out of range, a placement on a placed cell or of a
    // digit that is not a candidate there.
    bool apply(const Step& step);

    // Places or removes one candidate; false when out of range or not a candidate.
    bool place(int cell, int digit);
    bool eliminate(int cell, int digit);

private:
    Cells values_{};
    std::array<Digits, 81> marks_{};
    int empty_ = 81;
    std::array<std::uint8_t, 27> houseEmpty_{};
};

// Finds the first step of the easiest technique that applies, into `step`; false when
// none does. Unique-solution techniques are tried only when `uniqueSolution` is true:
// pass it only for a puzzle the engine has shown to have exactly one solution.
bool findStep(const Board& board, bool uniqueSolution, Step& step);

// Finds the first step of one technique (whatever easier ones would find); false when
// it does not apply. Unique-rectangle steps assume the puzzle has one solution.
bool findStep(const Board& board, Technique technique, Step& step);

// The grades, each a range of scores.
enum class Grade : std::uint8_t { easy, medium, hard, expert, extreme };
inline constexpr int gradeCount = 5;

// "easy" to "extreme"; "" outside the enumeration.
std::string_view gradeName(Grade grade);

// The grade of a score in tenths: easy up to 2.4 (singles only), medium 2.5 to 3.9,
// hard 4.0 to 5.9, expert 6.0 to 7.4, extreme from 7.5 (long chains, trial).
Grade gradeOf(int score);

// The score given to a puzzle the techniques cannot finish: above every technique's.
inline constexpr int trialScore = 100;
// The lowest score of a puzzle with an empty cell (a full house alone), and the highest
// of one the techniques finish (the heaviest unit forcing chain, with the most added for
// hard steps). No puzzle scores between highestFinishedScore and trialScore.
inline constexpr int lowestScore = 10;
inline constexpr int highestFinishedScore = 90;

struct Rating {
    // From the engine: solved (it has a solution), noSolution, invalid (clashing
    // givens) or badCell. Only a solved puzzle has the fields below filled.
    Status status = Status::noSolution;
    bool multipleSolutions = false; // then it has no difficulty
    bool finished = false;          // the techniques filled every cell
    // Tenths: the weight of the hardest step, plus 0.1 for each step beyond singles
    // after the first, at most 0.3; trialScore when unfinished; 0 for a full grid.
    int score = 0;
    Grade grade = Grade::easy;
    std::optional<Technique> hardest; // of the steps taken; none when there was none
    int steps = 0;
    std::array<std::uint16_t, techniqueCount> uses{}; // steps of each technique
};

// Rates a puzzle: solves it with the techniques, easiest first, restarting from the
// easiest after each step. Defined for every input (see Rating::status).
Rating rate(const Cells& puzzle);

// "SCORE GRADE TECHNIQUE" ("4.2 hard xy-wing"), "multiple solutions", "0.0 easy none"
// for a full grid, "10.0 extreme trial" for an unfinished one; "" unless solved.
std::string formatRating(const Rating& rating);

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
// "" for a step no finder could have made (a count or cell out of range).
std::string formatStep(const Step& step);

// The line that ends the steps of a puzzle the techniques cannot finish.
std::string_view trialLine();
// The line that ends the steps of a puzzle with several solutions.
std::string_view multipleSolutionsLine();

// A whole --explain record for a solved status: a line per step, the trial or
// several-solutions line when it applies, then the solution as one line of 81 digits,
// or as nine lines "d d d ... d \n" when `grid`. "" unless solved.
std::string formatExplanation(const Explanation& explanation, bool grid);

struct Hint {
    Status status = Status::noSolution; // as in Rating
    bool multipleSolutions = false;
    bool full = false;  // no empty cell
    bool found = false; // a step was found; else the techniques cannot start
    Step step{};
};

// The first step for a puzzle as given (a partly filled grid is a puzzle too).
Hint hint(const Cells& puzzle);

// The hint as one line: the step, or for a full grid "none: the grid is full", or the
// several-solutions or trial line when no step holds. "" unless solved.
std::string formatHint(const Hint& hint);

} // namespace logic
} // namespace sudoku
