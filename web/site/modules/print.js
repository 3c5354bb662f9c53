// Boards on paper: the board as an SVG file, printing it, and the booklet (puzzles made
// in the worker from consecutive seeds, six to a page, then their solutions twelve to a
// page), laid out for the print style sheet.
import { $, say } from './page.js';
import { ask, digitsOf, grid, valuesOf } from './binding.js';
import { oneBusySpan } from './worker-client.js';
import { state } from './state.js';
import { generate, randomSeed } from './puzzles.js';

// A board as SVG text, `size` pixels square: the values (givens black, others blue) and,
// in empty cells, the pencil marks small.
export function boardSvg(values, givens, size = 360, marks = null) {
    const unit = size / 9;
    let svg = `<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 ${size} ${size}" width="${size}" height="${size}">`;
    svg += `<rect width="${size}" height="${size}" fill="white"/>`;
    for (let k = 0; k <= 9; ++k) {
        const w = k % 3 === 0 ? 2.5 : 0.8;
        svg += `<line x1="0" y1="${k * unit}" x2="${size}" y2="${k * unit}" stroke="black" stroke-width="${w}"/>`;
        svg += `<line x1="${k * unit}" y1="0" x2="${k * unit}" y2="${size}" stroke="black" stroke-width="${w}"/>`;
    }
    for (let i = 0; i < 81; ++i) {
        const [row, column] = grid.at[i];
        if (!values[i]) {
            // Pencil marks small, each digit in its place of a 3 by 3 grid.
            for (const d of digitsOf(marks?.[i] ?? 0)) {
                const x = column * unit + (((d - 1) % 3) + 0.5) * (unit / 3);
                const y = row * unit + (Math.floor((d - 1) / 3) + 0.8) * (unit / 3);
                svg += `<text class="mark" x="${x}" y="${y}" font-family="sans-serif" font-size="${unit * 0.25}" text-anchor="middle" fill="#555">${d}</text>`;
            }
            continue;
        }
        const x = column * unit + unit / 2;
        const y = row * unit + unit * 0.72;
        const colour = givens[i] !== '.' ? 'black' : '#1d5fbf';
        svg += `<text x="${x}" y="${y}" font-family="sans-serif" font-size="${unit * 0.6}" text-anchor="middle" fill="${colour}">${values[i]}</text>`;
    }
    return svg + '</svg>';
}

export function saveSvg() {
    const blob = new Blob([boardSvg(state.values, state.givens, 360, state.marks)], { type: 'image/svg+xml' });
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = 'sudoku.svg';
    link.click();
    URL.revokeObjectURL(link.href);
}

// Lays out puzzles six to a page, then their solutions twelve to a page.
function layBooklet(puzzles) {
    const pages = $('booklet-pages');
    pages.replaceChildren();
    const addPages = (perPage, className, item) => {
        for (let first = 0; first < puzzles.length; first += perPage) {
            const page = document.createElement('section');
            page.className = `page ${className}`;
            for (const [k, p] of puzzles.slice(first, first + perPage).entries()) {
                const figure = document.createElement('figure');
                figure.innerHTML = item(p, first + k + 1);
                page.appendChild(figure);
            }
            pages.appendChild(page);
        }
    };
    addPages(6, 'puzzles', (p, n) =>
        `${boardSvg(valuesOf(p.puzzle), p.puzzle, 300)}<figcaption>${n}. ${p.grade} · seed ${p.seed}</figcaption>`);
    addPages(12, 'solutions', (p, n) =>
        `${boardSvg(valuesOf(p.solution), p.puzzle, 200)}<figcaption>${n}. solution</figcaption>`);
    document.body.classList.add('booklet');
    pages.hidden = false;
}

export async function makeBooklet() {
    const countText = $('booklet-count').value.trim();
    const n = /^\d+$/.test(countText) ? Number(countText) : 0;
    if (n < 1 || n > 60) {
        say(`Booklet of '${countText}' puzzles: give a whole number from 1 to 60.`);
        return;
    }
    const seeds = ask('bookletSeeds', $('seed').value.trim() || randomSeed(), n);
    if (seeds.error) {
        say(seeds.error);
        return;
    }
    const puzzles = await oneBusySpan(async () => {
        const made = [];
        for (const [k, seed] of seeds.seeds.entries()) {
            const answer = await generate($('grade').value, $('symmetry').value, seed, `Puzzle ${k + 1} of ${n}`, false);
            if (!answer || answer.error) {
                say(answer ? answer.error : 'Booklet cancelled.');
                return null;
            }
            made.push(answer);
        }
        return made;
    });
    if (!puzzles) return;
    layBooklet(puzzles);
    const pageCount = Math.ceil(n / 6) + Math.ceil(n / 12);
    say(`Booklet of ${n} ${n === 1 ? 'puzzle' : 'puzzles'}: ${pageCount} ${pageCount === 1 ? 'page' : 'pages'}. Print it, or save it as PDF.`);
    window.print();
}

export function printBoard() {
    document.body.classList.remove('booklet');
    $('booklet-pages').hidden = true;
    window.print();
}
