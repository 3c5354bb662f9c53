// The explanation: the puzzle's logical solution from the worker, stepped through on the
// board (each step over the position it starts from) until the player goes back to play.
import { $, say } from './page.js';
import { valuesOf } from './binding.js';
import { longWork } from './worker-client.js';
import { forThisPuzzle, state } from './state.js';
import { draw } from './board-view.js';

export async function explain() {
    const answer = await longWork('Explaining…', 'explain', [state.givens, state.puzzleMarks], { wanted: forThisPuzzle() });
    if (!answer) return;
    if (answer.status !== 'solved') {
        say(answer.message);
        return;
    }
    state.explanation = answer;
    state.stepIndex = 0;
    showStep();
}

function showStep() {
    const ex = state.explanation;
    const steps = ex.steps;
    const i = state.stepIndex;
    const at = i < steps.length ? steps[i] : ex.last;
    ex.view = { values: valuesOf(at.values), marks: at.marks };
    state.overlay = i < steps.length ? steps[i] : null;
    $('step-info').textContent = `Step ${Math.min(i + 1, steps.length)} of ${steps.length}`;
    $('step-back').disabled = i === 0;
    $('step-forward').disabled = i >= steps.length;
    $('explain-close').disabled = false;
    say(i < steps.length ? steps[i].text : ex.end ?? `Solved: ${ex.solution}`);
    draw();
}

// The step `by` steps on (back for a negative count).
export function stepBy(by) {
    state.stepIndex += by;
    showStep();
}

// Leaves the explanation (or a solution shown) for the player's board, without drawing.
export function leaveViews() {
    if (state.explanation || state.shown) {
        state.explanation = null;
        state.shown = null;
        state.overlay = null;
        $('step-info').textContent = '';
        $('step-back').disabled = $('step-forward').disabled = $('explain-close').disabled = true;
    }
}

export function backToPlay() {
    leaveViews();
    draw();
    say('');
}
