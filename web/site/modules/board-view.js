// The board view: the 81 cells, built once in the rows the binding lays out (a grid of
// rows of cells, as screen readers read it), drawn from the state after every change: the
// digits and marks, the clashes, the step shown and its colours, the selection, and the
// controls that follow the board (pencil, undo, redo, the puzzle's line).
import { $ } from './page.js';
import { ask, digitsOf, grid } from './binding.js';
import { isGiven, marksText, state, valuesText } from './state.js';

const cells = []; // the cells' elements, by cell

export function buildBoard() {
    const board = $('board');
    for (const rowCells of grid.rows) {
        const row = document.createElement('div');
        row.setAttribute('role', 'row');
        row.className = 'row';
        for (const i of rowCells) {
            const cell = document.createElement('div');
            cell.setAttribute('role', 'gridcell');
            cell.className = 'cell';
            cell.id = `cell-${i}`;
            cell.dataset.cell = String(i);
            cell.addEventListener('pointerdown', () => select(i));
            row.appendChild(cell);
            cells[i] = cell;
        }
        board.appendChild(row);
    }
}

export function draw() {
    const view = state.shown ?? state.explanation?.view ?? { values: state.values, marks: state.marks };
    const clashing = new Set(state.shown || state.explanation ? [] : ask('position', valuesText(), marksText()).clashing);
    const overlay = state.overlay;
    const key = (cell, digit) => cell * 10 + digit;
    const roles = new Map();
    const houses = new Set();
    const patternCells = new Set();
    if (overlay) {
        for (const [cell, digit] of overlay.pattern ?? []) roles.set(key(cell, digit), 'pattern');
        for (const [cell, digit] of overlay.eliminations ?? []) roles.set(key(cell, digit), 'elimination');
        for (const [cell, digit] of overlay.placements ?? []) roles.set(key(cell, digit), 'placement');
        for (const cell of overlay.houseCells ?? []) houses.add(cell);
        for (const cell of overlay.cells ?? []) patternCells.add(cell);
        for (const [cell] of overlay.placements ?? []) patternCells.add(cell);
    }
    for (let i = 0; i < 81; ++i) {
        const el = cells[i];
        const value = view.values[i];
        const given = isGiven(i);
        el.replaceChildren();
        el.className = 'cell';
        el.classList.toggle('given', given);
        el.classList.toggle('entry', !!value && !given);
        el.classList.toggle('selected', i === state.selected);
        el.classList.toggle('clash', clashing.has(i));
        el.classList.toggle('house', houses.has(i));
        el.classList.toggle('pattern-cell', patternCells.has(i));
        el.setAttribute('aria-selected', String(i === state.selected));
        const where = grid.places[i];
        if (value) {
            el.textContent = String(value);
            if (roles.get(key(i, value)) === 'placement') el.classList.add('placement');
            el.setAttribute('aria-label', `${where}, ${value}${given ? ' given' : ''}${clashing.has(i) ? ', clashes' : ''}`);
            continue;
        }
        const marks = view.marks[i];
        if (!marks) {
            el.setAttribute('aria-label', `${where}, empty`);
            continue;
        }
        const marksGrid = document.createElement('div');
        marksGrid.className = 'marks';
        for (let d = 1; d <= 9; ++d) {
            const span = document.createElement('span');
            if ((marks >> (d - 1)) & 1) {
                span.textContent = String(d);
                span.dataset.digit = String(d);
                const role = roles.get(key(i, d));
                if (role) span.className = role;
            }
            marksGrid.appendChild(span);
        }
        el.appendChild(marksGrid);
        el.setAttribute('aria-label', `${where}, candidates ${digitsOf(marks).join(' ')}${clashing.has(i) ? ', clashes' : ''}`);
    }
    // Screen readers announce the selected cell as the board's active one.
    $('board').setAttribute('aria-activedescendant', cells[state.selected].id);
    $('pencil').setAttribute('aria-pressed', String(state.pencil));
    $('pencil').classList.toggle('on', state.pencil);
    $('puzzle-info').textContent = [state.info, state.notice].filter(Boolean).join(' · ');
    $('undo').disabled = state.undo.length === 0;
    $('redo').disabled = state.redo.length === 0;
}

export function select(cell) {
    state.selected = cell;
    $('board').focus({ preventScroll: true });
    draw();
}
