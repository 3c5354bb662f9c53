// The player's state: the puzzle loaded, the board as the player has it (entries and
// pencil marks), its undo and redo history, the selection, pencil mode, and what is shown
// over the board (a hint's step, an explanation). The text forms are what the binding reads.
import { ask, valuesOf } from './binding.js';

export const state = {
    givens: '.'.repeat(81), // the puzzle
    values: new Array(81).fill(0), // givens and entries
    marks: new Array(81).fill(0), // pencil marks; 0 for an unmarked cell
    loaded: false, // a puzzle was loaded or made
    puzzleMarks: '', // the marks of a pencil-mark grid as loaded, which bind its solutions; '' for a plain one
    initialMarks: new Array(81).fill(0), // the marks the puzzle came with
    generation: 0, // counts puzzles loaded, so that work for an earlier one is ignored
    selected: 0,
    pencil: false,
    undo: [],
    redo: [],
    notice: '', // "N solutions" or "no solution  exists" for a puzzle so loaded
    info: '', // grade and seed of a generated puzzle
    overlay: null, // a step drawn on the board
    hintStage: 0,
    hint: null,
    explanation: null, // while stepping through an explanation
    stepIndex: 0,
    shown: null, // a solution shown instead of the player's board
};

export const valuesText = () => state.values.map((v) => (v ? String(v) : '.')).join('');
export const marksText = () => state.marks.join(',');
export const isGiven = (cell) => state.givens[cell] !== '.';
export const entriesMade = () =>
    state.values.some((v, i) => v && !isGiven(i)) || state.marks.some((m, i) => m !== state.initialMarks[i]);

// Whether the puzzle loaded then (when this is called) is still the one loaded when the
// answer comes: a test for work on the puzzle.
export function forThisPuzzle() {
    const generation = state.generation;
    return () => generation === state.generation;
}

// Whether the board then is still the board when the answer comes: the same puzzle,
// entries and marks. A hint applies to the board it was found on.
export function forThisBoard() {
    const puzzle = forThisPuzzle();
    const board = valuesText() + marksText();
    return () => puzzle() && board === valuesText() + marksText();
}

function snapshot() {
    return { values: [...state.values], marks: [...state.marks] };
}

// Keeps the board for undo, before a change; what redo had is gone.
export function record() {
    state.undo.push(snapshot());
    state.redo = [];
}

// Takes the last board of `from` back, keeping the one it replaces on `to`: undo with
// (undo, redo), redo with (redo, undo).
export function takeBack(from, to) {
    to.push(snapshot());
    const s = from.pop();
    state.values = s.values;
    state.marks = s.marks;
}

// Puts `digit` (0 to clear) in `cell`; a placed digit leaves its peers' marks.
export function place(cell, digit) {
    state.values[cell] = digit;
    state.marks[cell] = 0;
    if (digit) state.marks = ask('place', marksText(), cell, digit).marks;
}

// Starts on `puzzle`, with no history: its marks, for a pencil-mark grid; `info` and
// `notice` for the line above the board.
export function setPuzzle(puzzle, { info = '', notice = '', marks = null } = {}) {
    state.givens = puzzle;
    state.values = valuesOf(puzzle);
    state.marks = marks ? marks.map((m, i) => (state.values[i] ? 0 : m)) : new Array(81).fill(0);
    state.initialMarks = [...state.marks];
    state.puzzleMarks = marks ? marks.join(',') : '';
    state.loaded = true;
    state.generation += 1;
    state.undo = [];
    state.redo = [];
    state.info = info;
    state.notice = notice;
    state.overlay = null;
    state.hintStage = 0;
}
