// The player's moves on the board: digits and marks entered, undo and redo, candidates
// filled in, Check, and the hint in its three presses (where to look, the step shown,
// the step applied). Every change is one step of undo, and a full board is checked.
import { say } from './page.js';
import { ask, valuesOf } from './binding.js';
import { longWork } from './worker-client.js';
import { forThisBoard, isGiven, marksText, place, record, state, takeBack, valuesText } from './state.js';
import { draw } from './board-view.js';
import { leaveViews } from './explanation.js';

// Keeps the board for undo, then changes it by `apply`.
export function change(apply) {
    leaveViews();
    record();
    apply();
    state.overlay = null;
    state.hintStage = 0;
    draw();
    if (state.values.every((v) => v) && !ask('position', valuesText(), marksText()).clash) {
        checkBoard();
    }
}

export const undo = () => restore(state.undo, state.redo);
export const redo = () => restore(state.redo, state.undo);

function restore(from, to) {
    if (from.length === 0) return;
    leaveViews();
    takeBack(from, to);
    state.overlay = null;
    state.hintStage = 0;
    draw();
}

// A digit in the selected cell (a mark in pencil mode; the same digit again clears it),
// or 0 to clear the cell.
export function enter(digit) {
    const cell = state.selected;
    if (isGiven(cell) || state.explanation || state.shown) return;
    if (digit === 0) {
        if (state.values[cell] || state.marks[cell]) {
            change(() => {
                state.values[cell] = 0;
                state.marks[cell] = 0;
            });
        }
        return;
    }
    if (state.pencil) {
        if (state.values[cell]) return;
        change(() => {
            state.marks[cell] ^= 1 << (digit - 1);
        });
        return;
    }
    change(() => place(cell, state.values[cell] === digit ? 0 : digit));
}

export function togglePencil() {
    state.pencil = !state.pencil;
    draw();
}

export function fillCandidates() {
    const position = ask('position', valuesText(), marksText());
    if (!position.candidates) {
        say(position.clash);
        return;
    }
    change(() => {
        for (let i = 0; i < 81; ++i) state.marks[i] = state.values[i] ? 0 : position.candidates[i];
    });
}

export function checkBoard() {
    if (!state.loaded) {
        say('Nothing to check: load or make a puzzle first.');
        return;
    }
    const answer = ask('check', valuesText(), state.givens, state.puzzleMarks);
    if (answer.status === 'puzzleNoSolution') {
        say('The puzzle has no solution: no entry can agree with one.');
    } else if (answer.status === 'invalid') {
        say(answer.message);
    } else if (answer.status !== 'solved') {
        say('Some entries do not agree with any solution.');
    } else if (answer.full) {
        say('Solved: every cell is filled and agrees with the solution.');
    } else {
        const several = state.notice.endsWith('solutions');
        say(`The entries so far agree with ${several ? 'some' : 'the'} solution.`);
    }
}

export async function hint() {
    leaveViews();
    if (state.hintStage === 0) {
        const args = [valuesText(), marksText(), state.givens, state.puzzleMarks];
        const answer = await longWork('Looking for a step…', 'hint', args, { wanted: forThisBoard() });
        if (!answer) return;
        if (answer.kind !== 'step') {
            state.overlay = answer.candidate ? { cells: [answer.candidate[0][0]] } : null;
            say(answer.text);
            draw();
            return;
        }
        state.hint = answer;
        state.hintStage = 1;
        say(`${answer.technique}: look at ${answer.where}`);
        return;
    }
    const step = state.hint;
    if (state.hintStage === 1) {
        state.hintStage = 2;
        state.overlay = step;
        draw();
        say(step.text);
        return;
    }
    // Apply: the board as the binding has it after the step.
    change(() => {
        state.values = valuesOf(step.applied.values);
        state.marks = [...step.applied.marks];
    });
    say(`Applied: ${step.text.split('\n')[0]}`);
}
