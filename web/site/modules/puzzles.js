// Puzzles in and out: loading pasted text and #p= links, making new puzzles in the
// worker, and what the library says of the puzzle as loaded (its rating, its solution,
// its count of solutions).
import { $, say } from './page.js';
import { ask, valuesOf } from './binding.js';
import { longWork, showProgress } from './worker-client.js';
import { entriesMade, forThisPuzzle, setPuzzle, state } from './state.js';
import { draw } from './board-view.js';
import { leaveViews } from './explanation.js';
import { change } from './play.js';

function loadPuzzle(puzzle, options) {
    leaveViews();
    setPuzzle(puzzle, options);
    $('result').textContent = '';
    history.replaceState(null, '', `#p=${puzzle}`);
    draw();
}

// Loads the first puzzle of `text` as sudoku-solve reads it, after asking when entries
// would go; false when it was not loaded.
export function readText(text) {
    const answer = ask('readPuzzle', text);
    if (answer.error) {
        say(answer.line > 1 ? `line ${answer.line}: ${answer.error}` : answer.error);
        return false;
    }
    if (entriesMade() && !confirm('Discard your entries and load this puzzle?')) return false;
    loadPuzzle(answer.puzzle, { notice: answer.notice ?? '', marks: answer.marks ?? null });
    const more = answer.more ? ` (the first of ${answer.more + 1} puzzles)` : '';
    say(answer.notice ? `${answer.notice}${more}` : `Puzzle loaded${more}.`);
    return true;
}

// Loads the puzzle of a #p= link, as pasting its text would (its messages too); false
// when the address has no such link.
export function openFromUrl() {
    const match = /^#p=(.*)$/i.exec(location.hash);
    if (!match) return false;
    let text;
    try {
        text = decodeURIComponent(match[1]);
    } catch {
        say(`The link's puzzle is not readable text: ${match[1]}`);
        return true;
    }
    // The page's own link for the puzzle it shows changes nothing.
    if (!(state.loaded && text === state.givens)) readText(text);
    return true;
}

export function randomSeed() {
    const words = crypto.getRandomValues(new Uint32Array(2));
    return ((BigInt(words[0]) << 32n) | BigInt(words[1])).toString();
}

// A puzzle of `grade` made in the worker, its progress on the busy line; null when
// cancelled, and for work on the puzzle (`ofPuzzle`) when another was loaded meanwhile.
export async function generate(grade, symmetry, seed, label = 'Generating', ofPuzzle = true) {
    return longWork(`${label}…`, 'generate', [grade, symmetry, seed], {
        onProgress: (tried) => showProgress(`${label}: ${tried} candidates tried`),
        wanted: ofPuzzle ? forThisPuzzle() : undefined,
    });
}

export async function newPuzzle() {
    if (entriesMade() && !confirm('Discard your entries and start a new puzzle?')) return;
    const grade = $('grade').value;
    const seed = $('seed').value.trim() || randomSeed();
    const answer = await generate(grade, $('symmetry').value, seed);
    if (!answer) return;
    if (answer.error) {
        say(answer.error);
        return;
    }
    loadPuzzle(answer.puzzle, { info: `${answer.grade} · seed ${answer.seed}` });
    say(`New ${answer.grade} puzzle, seed ${answer.seed}: ${answer.rating}`);
}

// A call on the puzzle as loaded, in the worker; null when it came too late.
const onPuzzle = (label, fn) => longWork(label, fn, [state.givens, state.puzzleMarks], { wanted: forThisPuzzle() });

export async function rate() {
    const answer = await onPuzzle('Rating…', 'rate');
    if (!answer) return;
    $('result').textContent = answer.status === 'solved' ? answer.text : answer.message;
}

export async function solve() {
    const answer = await onPuzzle('Solving…', 'solve');
    if (!answer) return;
    if (answer.status !== 'solved') {
        $('result').textContent = answer.message;
        return;
    }
    $('result').textContent = answer.solution;
    // One step of the board's history, which Undo takes back.
    change(() => {
        state.values = valuesOf(answer.solution);
        state.marks = new Array(81).fill(0);
    });
}

export async function count() {
    const answer = await onPuzzle('Counting…', 'solve');
    if (!answer) return;
    $('result').textContent =
        answer.status === 'solved'
            ? `${answer.count}${answer.limitReached ? '+' : ''} ${answer.count === 1 ? 'solution' : 'solutions'}`
            : answer.message;
}
