// The web page in a real browser: Debian's chromium, headless, driven by puppeteer-core
// through the page's interface contract (role=grid/row/gridcell with aria-labels, the
// role=status live region, the keyboard shortcuts, #p= links). Every answer the page
// gives is compared with the native sudoku-solve and sudoku-generate.
//
//   node browser_test.js --site BUILD/site --native build/release/apps --out DIR [--only NAME]
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { launch, serve, argument } = require('./harness');

const site = argument('--site');
const native = argument('--native');
const out = argument('--out') ?? '.';
const only = argument('--only');
const solveExe = path.join(native, 'sudoku-solve', 'sudoku-solve');
const generateExe = path.join(native, 'sudoku-generate', 'sudoku-generate');

// The native program's output and standard error for `input`.
function run(exe, args, input = '') {
    try {
        return { out: execFileSync(exe, args, { input, encoding: 'utf8', stdio: ['pipe', 'pipe', 'pipe'] }), err: '' };
    } catch (error) {
        return { out: error.stdout, err: error.stderr };
    }
}
const cli = (args, input) => run(solveExe, args, input).out;
const lines = (text) => text.split('\n').filter((l) => l !== '');

// ---- Driving the page --------------------------------------------------------------

let browser;
let baseUrl;
const pageErrors = []; // uncaught errors of the pages a test opened: each fails it

async function open(hash = '', width = 1280) {
    const page = await browser.newPage();
    await page.setViewport({ width, height: 900 });
    page.on('dialog', (dialog) => dialog.accept());
    page.on('pageerror', (error) => pageErrors.push(error));
    await page.evaluateOnNewDocument(() => {
        window.print = () => {}; // the booklet test prints with page.pdf()
    });
    await page.goto(`${baseUrl}/index.html${hash}`);
    await page.waitForSelector('body[data-ready]');
    return page;
}

const status = (page) => page.$eval('[role=status]', (e) => e.textContent);
const labels = (page) => page.$$eval('[role=gridcell]', (cells) => cells.map((c) => c.getAttribute('aria-label')));
const idle = (page) => page.waitForFunction(() => document.getElementById('busy').hidden);
const hashPuzzle = (page) => page.evaluate(() => /#p=(.*)/.exec(location.hash)[1]);

async function load(page, text) {
    await page.$eval('#paste', (e, t) => (e.value = t), text);
    await page.click('#load');
}

// Clicks a button whose answer comes from the worker, and waits for it.
async function clickAndWait(page, selector) {
    await page.click(selector);
    await idle(page);
}

// The value each cell shows, from its aria-label: '.' for empty or marked.
async function shownValues(page) {
    return (await labels(page)).map((l) => /, (\d)( given)?(, clashes)?$/.exec(l)?.[1] ?? '.').join('');
}

// A pencil-mark grid, as sudoku-solve reads it, from each cell's label.
async function markGrid(page) {
    const fields = (await labels(page)).map((l) => {
        const placed = /, (\d)( given)?(, clashes)?$/.exec(l);
        const marks = /candidates ([\d ]+)(, clashes)?$/.exec(l);
        return placed ? placed[1] : marks ? marks[1].replace(/ /g, '') : '.';
    });
    const rows = [];
    for (let r = 0; r < 9; ++r) rows.push(fields.slice(r * 9, r * 9 + 9).join(' '));
    return rows.join('\n') + '\n';
}

// ---- The puzzles -------------------------------------------------------------------

function generated(args) {
    return lines(run(generateExe, args).out);
}

// ---- Tests -------------------------------------------------------------------------

const tests = {};

tests.playsAPuzzleToTheEndByKeyboard = async () => {
    const puzzle = generated(['--seed', '11', '--grade', 'easy'])[0];
    const solution = lines(cli([], puzzle))[0];
    const page = await open(`#p=${puzzle}`);
    await page.focus('[role=grid]');
    assert.equal(await page.$$eval('[role=row]', (rows) => rows.length), 9);
    assert.equal(await page.$$eval('[role=row] > [role=gridcell]', (c) => c.length), 81);
    // A clash shows at once, and undo takes it back.
    const firstEmpty = puzzle.indexOf('.');
    const peerDigit = [...puzzle.slice(Math.floor(firstEmpty / 9) * 9, Math.floor(firstEmpty / 9) * 9 + 9)].find((c) => c !== '.');
    // Moves the selection with the arrow keys alone.
    let at = 0;
    const goTo = async (cell) => {
        while (Math.floor(at / 9) < Math.floor(cell / 9)) await page.keyboard.press('ArrowDown'), (at += 9);
        while (Math.floor(at / 9) > Math.floor(cell / 9)) await page.keyboard.press('ArrowUp'), (at -= 9);
        while (at % 9 < cell % 9) await page.keyboard.press('ArrowRight'), (at += 1);
        while (at % 9 > cell % 9) await page.keyboard.press('ArrowLeft'), (at -= 1);
    };
    at = await page.evaluate(() => [...document.querySelectorAll('[role=gridcell]')].findIndex((c) => c.getAttribute('aria-selected') === 'true'));
    await goTo(firstEmpty);
    // The board names the selected cell as its active one, which screen readers announce.
    const active = await page.$eval('[role=grid]', (g) => document.getElementById(g.getAttribute('aria-activedescendant')).getAttribute('aria-label'));
    assert.equal(active, (await labels(page))[firstEmpty]);
    await page.keyboard.press(peerDigit);
    assert.match((await labels(page))[firstEmpty], /clashes$/);
    await page.keyboard.press('u');
    assert.match((await labels(page))[firstEmpty], /empty$/);
    await page.keyboard.press('r');
    assert.match((await labels(page))[firstEmpty], new RegExp(`${peerDigit}, clashes$`));
    await page.keyboard.press('Backspace');
    // Pencil mode writes marks, not digits.
    await page.keyboard.press('p');
    await page.keyboard.press(solution[firstEmpty]);
    assert.match((await labels(page))[firstEmpty], new RegExp(`candidates ${solution[firstEmpty]}$`));
    await page.keyboard.press('p');
    for (let cell = 0; cell < 81; ++cell) {
        if (puzzle[cell] !== '.') continue;
        await goTo(cell);
        await page.keyboard.press(solution[cell]);
        if (cell === firstEmpty) {
            await page.click('#check');
            assert.match(await status(page), /agree with the solution/);
        }
    }
    assert.equal(await shownValues(page), solution);
    assert.match(await status(page), /^Solved/);
    await page.screenshot({ path: path.join(out, 'play-1280.png') });
    // n asks before the entries go (the dialog is accepted), then makes a new puzzle.
    const asked = new Promise((resolve) => page.once('dialog', (dialog) => resolve(dialog.message())));
    await page.keyboard.press('n');
    const timeout = new Promise((resolve) => setTimeout(() => resolve('no question asked'), 5000));
    assert.match(await Promise.race([asked, timeout]), /Discard your entries/);
    await idle(page);
    assert.notEqual(await hashPuzzle(page), puzzle);
    await page.close();
};

// Puzzles whose explanation takes a step of each kind: the position before it, marks
// included, makes that step the hint.
tests.hintsNameColourAndApplyTheNextStep = async () => {
    const wanted = [
        ['hidden-single', null],
        ['pointing', null],
        ['x-wing', null],
        ['chain', null],
    ];
    const puzzles = generated(['--seed', '3', '-n', '30', '--grade', 'expert']);
    const page = await open();
    for (const entry of wanted) {
        const technique = entry[0];
        // The first puzzle whose explanation uses it, and the step's index.
        for (const puzzle of puzzles) {
            const steps = lines(cli(['--explain'], puzzle)).filter((l) => !l.startsWith(' ')).slice(0, -1);
            const index = steps.findIndex((s) =>
                technique === 'chain' ? /^(x-cycle|y-cycle|turbot-fish|forcing-x-chain|forcing-chain|cycle):/.test(s) : s.startsWith(`${technique}:`));
            if (index >= 0) {
                entry[1] = { puzzle, index };
                break;
            }
        }
        assert.ok(entry[1], `no puzzle explained with ${technique}`);
        const { puzzle, index } = entry[1];
        await load(page, puzzle);
        let position = puzzle + '\n';
        if (index > 0) {
            // The explanation's position before the step, pasted as a pencil-mark grid.
            await clickAndWait(page, '#explain');
            for (let k = 0; k < index; ++k) await page.click('#step-forward');
            position = await markGrid(page);
            await page.click('#explain-close');
            await load(page, position);
        }
        const expected = lines(cli(['--hint'], position))[0];
        const name = expected.slice(0, expected.indexOf(':'));
        await page.keyboard.press('h');
        await page.waitForFunction((n) => document.querySelector('[role=status]').textContent.startsWith(`${n}: look at `), {}, name);
        await page.keyboard.press('h');
        assert.equal((await status(page)).split('\n')[0], expected, technique);
        // The effect, coloured: eliminations struck out, or the placement marked.
        const effect = [...expected.matchAll(/r(\d)c(\d)(<>|=)(\d)/g)].slice(-1)[0][3] === '=' ? '=' : '<>';
        const listed = new Set([...expected.split(': ').slice(-1)[0].matchAll(/r(\d)c(\d)(<>|=)(\d)/g)].map((m) => `${(m[1] - 1) * 9 + (m[2] - 1)}:${m[4]}`));
        const coloured = await page.$$eval('[role=gridcell]', (cells) => {
            const found = [];
            cells.forEach((cell, i) => {
                for (const s of cell.querySelectorAll('.elimination')) found.push(`${i}:${s.dataset.digit}`);
                if (cell.querySelector('.placement') || cell.classList.contains('placement')) found.push(`${i}:place`);
            });
            return found;
        });
        if (effect === '<>') {
            assert.deepEqual(new Set(coloured), listed, technique);
        }
        assert.ok(await page.$('.pattern-cell, .marks .pattern'), `${technique}: no pattern coloured`);
        await page.screenshot({ path: path.join(out, `hint-${technique}-1280.png`) });
        // Apply: the effect reaches the board.
        await page.keyboard.press('h');
        const after = await labels(page);
        for (const item of listed) {
            const [cell, digit] = item.split(':').map(Number);
            if (effect === '<>') assert.doesNotMatch(after[cell], new RegExp(`candidates.*${digit}`), `${technique} ${item}`);
            else assert.match(after[cell], new RegExp(`, ${digit}$`), `${technique} ${item}`);
        }
    }
    await page.close();
};

// A hard puzzle, and an extreme one whose dynamic chain's proof has its lines too.
tests.explanationStepsMatchTheCommandLine = async () => {
    for (const [grade, seed] of [['hard', '21'], ['extreme', '5']]) {
        const puzzle = generated(['--seed', seed, '--grade', grade])[0];
        const record = lines(cli(['--explain'], puzzle));
        const page = await open(`#p=${puzzle}`);
        await clickAndWait(page, '#explain');
        const texts = [];
        for (;;) {
            texts.push(await status(page));
            if (await page.$eval('#step-forward', (b) => b.disabled)) break;
            await page.click('#step-forward');
        }
        // Every step's line (and a chain's branches), then the solution.
        assert.deepEqual(lines(texts.slice(0, -1).join('\n')), record.slice(0, -1), grade);
        assert.equal(texts[texts.length - 1], `Solved: ${record[record.length - 1]}`);
        await page.click('#step-back');
        await page.click('#step-back');
        assert.equal(await status(page), texts[texts.length - 3]);
        await page.click('#step-back');
        await page.screenshot({ path: path.join(out, `explain-${grade}-1280.png`) });
        await page.close();
    }
};

tests.rateSolveAndCountAgreeWithTheCommandLineOn50Puzzles = async () => {
    const puzzles = [];
    for (const grade of ['easy', 'medium', 'hard', 'expert', 'extreme']) {
        puzzles.push(...generated(['--seed', '5', '-n', grade === 'extreme' ? '6' : '11', '--grade', grade]));
    }
    // and one with several solutions
    puzzles.push('.'.repeat(9) + puzzles[0].slice(9));
    const rates = lines(cli(['--rate'], puzzles.join('\n')));
    const solutions = lines(cli([], puzzles.join('\n')));
    const counts = lines(cli(['--count', '--limit', '1000'], puzzles.join('\n')));
    const page = await open();
    for (const [k, puzzle] of puzzles.entries()) {
        await load(page, puzzle);
        await clickAndWait(page, '#rate');
        assert.equal(await page.$eval('#result', (e) => e.textContent), rates[k], puzzle);
        await clickAndWait(page, '#count');
        assert.equal((await page.$eval('#result', (e) => e.textContent)).split(' ')[0], counts[k], puzzle);
        await clickAndWait(page, '#solve');
        assert.equal(await page.$eval('#result', (e) => e.textContent), solutions[k], puzzle);
        assert.equal(await shownValues(page), solutions[k]);
    }
    assert.ok(puzzles.length >= 50);
    await page.close();
};

tests.generatesByGradeAsTheCommandLineDoes = async () => {
    const page = await open();
    for (const [grade, symmetry, seed] of [
        ['easy', 'mirror', '42'],
        ['hard', 'rotate180', '18446744073709551615'],
        ['expert', 'diagonal', '7'],
    ]) {
        await page.select('#grade', grade);
        await page.select('#symmetry', symmetry);
        await page.$eval('#seed', (e, s) => (e.value = s), seed);
        await page.$eval('[role=grid]', (e) => e.focus());
        await page.keyboard.press('n');
        await page.waitForFunction((s) => document.getElementById('puzzle-info').textContent.includes(`seed ${s}`), {}, seed);
        const expected = generated(['--grade', grade, '--symmetry', symmetry, '--seed', seed])[0];
        assert.equal(await hashPuzzle(page), expected, `${grade} ${seed}`);
        assert.equal(lines(cli(['--rate'], expected))[0].split(' ')[1], grade);
        assert.match(await page.$eval('#puzzle-info', (e) => e.textContent), new RegExp(`^${grade} · seed ${seed}`));
    }
    // A seed sudoku-generate refuses is refused with its message, for a puzzle and a booklet.
    for (const seed of ['12x', '18446744073709551616']) {
        const { err } = run(generateExe, ['--seed', seed]);
        const message = err.split('\n')[0].replace(/^sudoku-generate: /, '');
        await page.$eval('#seed', (e, s) => (e.value = s), seed);
        for (const button of ['#new', '#booklet']) {
            await page.$eval('[role=status]', (e) => (e.textContent = ''));
            await clickAndWait(page, button);
            assert.equal(await status(page), message, `${button} ${seed}`);
        }
    }
    await page.close();
};

tests.badInputGetsTheCommandLineMessage = async () => {
    const good = generated(['--seed', '9', '--grade', 'easy'])[0];
    const cases = [
        good.slice(0, 80),
        'x' + good.slice(1),
        good.replace('.', good.slice(0, 9).replace(/\./g, '')[0]),
        good.slice(0, 9).replace(/\./g, '0') + '\n' + good.slice(9, 16),
        '# only a comment\n',
        // a pencil-mark grid whose marks clash with a placed digit
        (() => {
            const rows = [];
            for (let r = 0; r < 9; ++r) rows.push([...good.slice(r * 9, r * 9 + 9)].map((c) => (c === '.' ? '123456789' : c)).join(' '));
            return rows.join('\n') + '\n';
        })(),
    ];
    const page = await open();
    for (const text of cases) {
        const { out: stdout, err } = run(solveExe, [], text);
        await load(page, text);
        const shown = await status(page);
        if (err) {
            const message = err.split('\n')[0].replace(/^sudoku-solve: <stdin>:\d+: /, '');
            assert.ok(shown.includes(message), `${JSON.stringify(text)}: ${shown} vs ${message}`);
        } else {
            assert.equal(stdout.trim(), '', `${JSON.stringify(text)} should be no puzzle`);
            assert.equal(shown, 'no puzzle in the text');
        }
        // Still working: the board answers.
        assert.equal((await labels(page)).length, 81);
    }
    // Without solution, and with several: loaded and marked so.
    const wrong = [1, 2, 3, 4, 5, 6, 7, 8, 9].map((d) => good.replace('.', String(d))).find((p) => cli([], p).startsWith('no solution'));
    await load(page, wrong);
    assert.equal(await status(page), lines(cli([], wrong))[0].trimEnd());
    const several = '.'.repeat(18) + good.slice(18);
    await load(page, several);
    const count = lines(cli(['--count', '--limit', '1000'], several))[0];
    assert.equal(await status(page), `${count} solutions`);
    // Count says the same, with the same limit.
    await clickAndWait(page, '#count');
    assert.equal(await page.$eval('#result', (e) => e.textContent), `${count} solutions`);
    assert.match(await page.$eval('#puzzle-info', (e) => e.textContent), /solutions/);
    await load(page, good);
    assert.equal(await status(page), 'Puzzle loaded.');
    await page.close();
};

const selectCell = (page, cell) =>
    page.$$eval('[role=gridcell]', (cells, i) => cells[i].dispatchEvent(new PointerEvent('pointerdown')), cell);
const result = (page) => page.$eval('#result', (e) => e.textContent);
const cellName = (cell) => `r${Math.floor(cell / 9) + 1}c${(cell % 9) + 1}`;
const cellOf = (name) => (Number(name[1]) - 1) * 9 + Number(name[3]) - 1;

// The first wrong entry is named, as the command line names a wrong digit: for a puzzle
// with several solutions, only an entry that agrees with none of them.
tests.aWrongEntryIsNamedBeforeAnythingElse = async () => {
    const puzzle = lines(fs.readFileSync(path.join(__dirname, '../../examples/puzzles.txt'), 'utf8'))[0];
    const several = '.'.repeat(18) + generated(['--seed', '9', '--grade', 'easy'])[0].slice(18);
    const counts = (text, cell) =>
        [...'123456789'].map((d) => Number(cli(['--count'], text.slice(0, cell) + d + text.slice(cell + 1)).trim().replace('+', '')));
    const inSome = counts(several, 0).findIndex((n) => n > 0) + 1;
    const page = await open();
    for (const [text, entries, named] of [
        [puzzle, [['r1c4', '4']], 'r1c4=4 contradicts the solution'],
        // two wrong entries, which no single change explains, and one right
        [puzzle, [['r1c1', lines(cli([], puzzle))[0][0]], ['r1c4', '4'], ['r9c9', '1']], 'r1c4=4 contradicts the solution'],
        [several, [['r1c1', String(inSome)]], null],
    ]) {
        await load(page, text);
        for (const [name, digit] of entries) {
            await selectCell(page, cellOf(name));
            await page.click(`#pad [data-digit="${digit}"]`);
        }
        await page.$eval('[role=status]', (e) => (e.textContent = ''));
        await page.keyboard.press('h');
        await page.waitForFunction(() => document.querySelector('[role=status]').textContent !== '');
        if (named) assert.equal(await status(page), named);
        else assert.doesNotMatch(await status(page), /contradicts|no solution/, text);
    }
    // In a puzzle without solution no entry can be named wrong; a clashing one is called an entry.
    const wrong = [...'123456789'].map((d) => puzzle.replace('0', d)).find((p) => cli([], p).startsWith('no solution'));
    await load(page, wrong);
    const cell = wrong.indexOf('0');
    const given = wrong.slice(Math.floor(cell / 9) * 9, Math.floor(cell / 9) * 9 + 9).replace(/0/g, '')[0];
    await selectCell(page, cell);
    await page.click(`#pad [data-digit="${given}"]`);
    await page.keyboard.press('h');
    await page.waitForFunction(() => /clash/.test(document.querySelector('[role=status]').textContent));
    assert.match(await status(page), new RegExp(`^your entry in ${cellName(cell)} clashes: ${given} appears twice in row`));
    // Loading over entries asks first, as New does.
    let asked = '';
    page.once('dialog', (dialog) => (asked = dialog.message()));
    await load(page, puzzle);
    await page.waitForFunction(() => document.querySelector('[role=status]').textContent === 'Puzzle loaded.');
    assert.match(asked, /Discard your entries/);
    await page.close();
};

// Placing a digit takes it out of its peers' marks, in one step of undo; a mark put back
// against a placed digit shows as a clash, and the hint names it as sudoku-solve does.
// Solve is one step of undo too.
tests.placingUpdatesMarksAndSolveUndoes = async () => {
    const puzzle = generated(['--seed', '12', '--grade', 'easy'])[0];
    const solution = lines(cli([], puzzle))[0];
    const page = await open(`#p=${puzzle}`);
    await page.click('#fill');
    const cell = puzzle.indexOf('.');
    const digit = solution[cell];
    const isPeer = (a, b) => a !== b && (a % 9 === b % 9 || Math.floor(a / 9) === Math.floor(b / 9) ||
        (Math.floor(a / 27) === Math.floor(b / 27) && Math.floor((a % 9) / 3) === Math.floor((b % 9) / 3)));
    const markedPeers = (all) => all.map((l, i) => (isPeer(i, cell) && new RegExp(`candidates [\\d ]*${digit}`).test(l) ? i : -1)).filter((i) => i >= 0);
    const before = markedPeers(await labels(page));
    assert.ok(before.length > 0);
    await selectCell(page, cell);
    await page.keyboard.press(digit);
    assert.deepEqual(markedPeers(await labels(page)), []);
    await page.keyboard.press('u');
    assert.deepEqual(markedPeers(await labels(page)), before);
    assert.match((await labels(page))[cell], /candidates/);
    await page.keyboard.press('r');
    // The mark back in a peer clashes.
    await selectCell(page, before[0]);
    await page.keyboard.press('p');
    await page.keyboard.press(digit);
    await page.keyboard.press('p');
    assert.match((await labels(page))[before[0]], /, clashes$/);
    await page.keyboard.press('h');
    const expected = run(solveExe, ['--hint'], await markGrid(page)).err.split('\n')[0].replace(/^sudoku-solve: <stdin>:\d+: /, '');
    assert.match(expected, /^candidate \d in r\dc\d clashes with/);
    await page.waitForFunction((t) => document.querySelector('[role=status]').textContent === t, {}, expected);
    // Solve, undone and redone.
    const entered = await labels(page);
    await clickAndWait(page, '#solve');
    assert.equal(await shownValues(page), solution);
    await page.keyboard.press('u');
    assert.deepEqual(await labels(page), entered);
    await page.keyboard.press('r');
    assert.equal(await shownValues(page), solution);
    await page.close();
};

// The board as drawn, read in document order (row by row, as the grid's rows hold its
// cells): each cell's label names its place, and each step of an explanation highlights
// the cells of the houses its line names, and no others. The expected cells are worked
// out here from the house's name; a box off the diagonal tells a transposed box from the
// right one, and the puzzle's explanation has three of them, a row and a column.
tests.eachStepHighlightsTheCellsOfItsHouses = async () => {
    const puzzle = generated(['--seed', '3', '--grade', 'medium'])[0];
    const record = lines(cli(['--explain'], puzzle)).filter((l) => !l.startsWith(' ')).slice(0, -1);
    const page = await open(`#p=${puzzle}`);
    (await labels(page)).forEach((label, i) =>
        assert.ok(label.startsWith(`row ${Math.floor(i / 9) + 1}, column ${(i % 9) + 1}, `), `cell ${i}: ${label}`));
    const inHouse = {
        row: (cell, n) => Math.floor(cell / 9) === n - 1,
        column: (cell, n) => cell % 9 === n - 1,
        box: (cell, n) => Math.floor(Math.floor(cell / 9) / 3) * 3 + Math.floor((cell % 9) / 3) === n - 1,
    };
    const highlighted = () =>
        page.$$eval('[role=gridcell]', (cells) => cells.flatMap((c, i) => (c.classList.contains('house') ? [i] : [])));
    await clickAndWait(page, '#explain');
    const seen = new Set();
    for (const [k, line] of record.entries()) {
        if (k > 0) await page.click('#step-forward');
        if (!/^(hidden-single|full-house|naked-single|pointing|claiming):/.test(line)) continue;
        assert.equal(await status(page), line);
        // The houses the line names before its effect: a single's, or a box and a line.
        const named = [...line.slice(0, line.lastIndexOf(': ')).matchAll(/\b(row|column|box) (\d)/g)];
        const expected = [...Array(81).keys()].filter((cell) => named.some(([, kind, n]) => inHouse[kind](cell, Number(n))));
        assert.deepEqual(await highlighted(), expected, line);
        for (const [, kind, n] of named) seen.add(kind === 'box' && !['1', '5', '9'].includes(n) ? 'box off the diagonal' : kind);
    }
    assert.deepEqual([...seen].sort(), ['box', 'box off the diagonal', 'column', 'row']);
    await page.close();
};

// A hint applied changes what its step says and nothing else, on a board without marks:
// a placement's cell; an elimination's cell, which then shows its other candidates (as
// Fill candidates would show them), while every other cell stays unmarked.
tests.anAppliedHintChangesOnlyItsCells = async () => {
    const puzzle = generated(['--seed', '3', '--grade', 'medium'])[0];
    const record = lines(cli(['--explain'], puzzle)).filter((l) => !l.startsWith(' '));
    // Singles up to a pointing step: the digits before it leave the candidates it starts from.
    const pointing = record.findIndex((l) => l.startsWith('pointing:'));
    assert.ok(pointing > 0 && record.slice(0, pointing).every((l) => /^(hidden-single|naked-single|full-house):/.test(l)));
    const page = await open();
    await load(page, puzzle);
    await clickAndWait(page, '#explain');
    for (let k = 0; k < pointing; ++k) await page.click('#step-forward');
    const beforePointing = await shownValues(page);
    await page.click('#explain-close');
    for (const [position, technique] of [[puzzle, 'placement'], [beforePointing, 'pointing']]) {
        await load(page, position);
        await page.click('#fill');
        const filled = await labels(page);
        await page.keyboard.press('u');
        const before = await labels(page);
        await page.keyboard.press('h');
        await page.waitForFunction(() => document.querySelector('[role=status]').textContent.includes(': look at '));
        await page.keyboard.press('h');
        const text = (await status(page)).split('\n')[0];
        if (technique === 'pointing') assert.equal(text, record[pointing]);
        await page.keyboard.press('h');
        const after = await labels(page);
        const expected = [...before];
        for (const [, r, c, effect, digit] of text.slice(text.lastIndexOf(': ')).matchAll(/r(\d)c(\d)(<>|=)(\d)/g)) {
            const cell = (r - 1) * 9 + (c - 1);
            expected[cell] = effect === '=' ? before[cell].replace(/empty$/, digit) : filled[cell].replace(new RegExp(` ${digit}(?= |$)`), '');
        }
        assert.deepEqual(after, expected, text);
        assert.notDeepEqual(after, before, text);
    }
    await page.close();
};

// A pencil-mark grid is rated, explained, solved and counted from its marks.
tests.aPencilMarkGridKeepsToItsMarks = async () => {
    const grid = fs.readFileSync(path.join(__dirname, '../../examples/marks.txt'), 'utf8');
    // and one whose marks leave fewer solutions than its digits
    const several = '.'.repeat(9) + generated(['--seed', '9', '--grade', 'easy'])[0].slice(9);
    const fields = [...several];
    // r1c1 marked with one of its digits and one without solution
    const countsAt = [...'123456789'].map((d) => cli(['--count'], d + several.slice(1)));
    fields[0] = String(countsAt.findIndex((c) => /^[1-9]/.test(c)) + 1) + String(countsAt.indexOf('0\n') + 1);
    const fewer = [0, 1, 2, 3, 4, 5, 6, 7, 8].map((r) => fields.slice(r * 9, r * 9 + 9).join(' ')).join('\n') + '\n';
    assert.notEqual(cli(['--count', '--limit', '1000'], fewer), cli(['--count', '--limit', '1000'], several));
    const page = await open();
    for (const text of [grid, fewer]) {
        await load(page, text);
        await clickAndWait(page, '#rate');
        assert.equal(await result(page), lines(cli(['--rate'], text))[0]);
        await clickAndWait(page, '#count');
        assert.equal((await result(page)).split(' ')[0], lines(cli(['--count', '--limit', '1000'], text))[0]);
        await clickAndWait(page, '#solve');
        assert.equal(await result(page), lines(cli([], text))[0]);
    }
    await load(page, grid);
    await clickAndWait(page, '#explain');
    assert.equal(await status(page), lines(cli(['--explain'], grid))[0]);
    await page.close();
};

// Work asked for one puzzle and answered after another was loaded changes nothing.
tests.workForAnEarlierPuzzleIsIgnored = async () => {
    const [hard, other] = generated(['--seed', '5', '-n', '2', '--grade', 'extreme']);
    const page = await open(`#p=${hard}`);
    for (const button of ['#rate', '#explain', '#solve']) {
        await load(page, hard);
        // Asked, then another puzzle pasted, before the worker can answer.
        await page.evaluate((b, text) => {
            document.querySelector(b).click();
            document.getElementById('paste').value = text;
            document.getElementById('load').click();
        }, button, other);
        await idle(page);
        assert.equal(await result(page), '', button);
        assert.equal(await shownValues(page), other, button);
        assert.equal(await page.$eval('#step-info', (e) => e.textContent), '', button);
    }
    await page.close();
};

// A #p= link loads as pasting its text does, and tells what is wrong with it as pasting does.
tests.linksLoadAsPastingDoes = async () => {
    const good = generated(['--seed', '9', '--grade', 'easy'])[0];
    const page = await open();
    const said = new Map(); // what pasting each text said
    const statusFor = async (act) => {
        await page.$eval('[role=status]', (e) => (e.textContent = ''));
        await act();
        await page.waitForFunction(() => document.querySelector('[role=status]').textContent !== '');
        return status(page);
    };
    for (const text of [good.slice(0, 80), good + '1', 'x' + good.slice(1), good.replace('.', good[0] === '.' ? good.replace(/\./g, '')[0] : good[0]), '.'.repeat(81)]) {
        const pasted = await statusFor(() => load(page, text));
        said.set(text, pasted);
        await load(page, good);
        assert.equal(await statusFor(() => page.evaluate((t) => (location.hash = `#p=${t}`), text)), pasted, text);
    }
    assert.equal(await statusFor(() => page.evaluate((t) => (location.hash = `#P=${t}`), good.replace(/^./, '.'))), 'Puzzle loaded.');
    assert.match(await statusFor(() => page.evaluate(() => (location.hash = '#p=%E0%A4'))), /not readable/);
    await page.close();
    // Opened afresh, a bad link and an empty grid say so too.
    for (const text of [good.slice(0, 80), '.'.repeat(81)]) {
        const fresh = await open(`#p=${text}`);
        assert.equal(await status(fresh), said.get(text));
        await fresh.close();
    }
};

// Check tells a puzzle without solution, and a page without puzzle, from agreement.
tests.checkSaysWhatItCanCheck = async () => {
    const page = await open();
    await page.click('#check');
    assert.match(await status(page), /^Nothing to check/);
    const blocks = fs.readFileSync(path.join(__dirname, '../../examples/wrong-marks.txt'), 'utf8').split(/\n\s*\n/);
    await load(page, blocks[1]);
    await page.click('#check');
    assert.match(await status(page), /no solution/);
    await page.close();
};

tests.cancelEndsLongWorkAndThePageGoesOn = async () => {
    const page = await open();
    // A booklet of 60 extreme puzzles takes seconds: cancelled, nothing more is made.
    await page.select('#grade', 'extreme');
    await page.$eval('#seed', (e) => (e.value = '1'));
    await page.$eval('#booklet-count', (e) => (e.value = '60'));
    await page.click('#booklet');
    await page.waitForFunction(() => /Puzzle [2-9] of 60/.test(document.getElementById('progress-text').textContent));
    await page.click('#cancel');
    await page
        .waitForFunction(() => document.querySelector('[role=status]').textContent === 'Booklet cancelled.', { timeout: 2000 })
        .catch(async () => assert.fail(`after cancel the status says: ${await status(page)}`));
    await new Promise((resolve) => setTimeout(resolve, 1500));
    assert.ok(await page.$eval('#busy', (e) => e.hidden), 'work went on after cancel');
    assert.equal(await status(page), 'Booklet cancelled.');
    await page.select('#grade', 'easy');
    await clickAndWait(page, '#new');
    assert.match(await page.$eval('#puzzle-info', (e) => e.textContent), /^easy · seed 1/);
    await page.close();
};

tests.aWorkerThatFailsIsReplacedWithAMessage = async () => {
    const puzzle = generated(['--seed', '8', '--grade', 'medium'])[0];
    const page = await open(`#p=${puzzle}`);
    // A call the module does not have fails inside the worker, as an abort would.
    await page.evaluate(() => worker.postMessage({ id: 0, fn: 'noSuchCall', args: [] }));
    await page.waitForFunction(() => /^The worker stopped \(.*\); it was restarted\.$/.test(document.querySelector('[role=status]').textContent));
    await clickAndWait(page, '#rate');
    assert.equal(await page.$eval('#result', (e) => e.textContent), lines(cli(['--rate'], puzzle))[0]);
    await page.close();
};

tests.savesTheBoardAsSvg = async () => {
    const puzzle = generated(['--seed', '6', '--grade', 'easy'])[0];
    const page = await open(`#p=${puzzle}`);
    const svg = await page.evaluate(async () => {
        let saved = null;
        const original = URL.createObjectURL;
        URL.createObjectURL = (blob) => {
            saved = blob;
            return original(blob);
        };
        document.getElementById('svg').click();
        return saved.text();
    });
    // One text element per given, in row-major order.
    const digits = [...svg.matchAll(/<text[^>]*>(\d)<\/text>/g)].map((m) => m[1]).join('');
    assert.equal(digits, puzzle.replace(/\./g, ''));
    assert.match(svg, /^<svg xmlns="http:\/\/www.w3.org\/2000\/svg"/);
    // Pencil marks too, one small text each.
    await page.click('#fill');
    const marked = await page.evaluate(() => {
        const original = URL.createObjectURL;
        let saved = null;
        URL.createObjectURL = (blob) => ((saved = blob), original(blob));
        document.getElementById('svg').click();
        return saved.text();
    });
    const marks = (await labels(page)).map((l) => /candidates ([\d ]+)$/.exec(l)?.[1].replace(/ /g, '') ?? '').join('');
    assert.equal([...marked.matchAll(/<text class="mark"[^>]*>(\d)<\/text>/g)].map((m) => m[1]).join(''), marks);
    await page.close();
};

tests.printsABookletOf13PuzzlesOnA4AndLetter = async () => {
    const page = await open();
    await page.select('#grade', 'easy');
    await page.$eval('#seed', (e) => (e.value = '100'));
    await page.$eval('#booklet-count', (e) => (e.value = '13'));
    await clickAndWait(page, '#booklet');
    await page.waitForFunction(() => document.querySelectorAll('#booklet-pages figure').length === 26);
    const captions = await page.$$eval('.puzzles figcaption', (c) => c.map((e) => e.textContent));
    assert.equal(captions[12], '13. easy · seed 112');
    for (const format of ['A4', 'Letter']) {
        const pdf = Buffer.from(await page.pdf({ format })).toString('latin1');
        fs.writeFileSync(path.join(out, `booklet-${format}.pdf`), pdf, 'latin1');
        // The page tree's root counts every page.
        const pages = Math.max(...[...pdf.matchAll(/\/Count (\d+)/g)].map((m) => Number(m[1])));
        assert.equal(pages, Math.ceil(13 / 6) + Math.ceil(13 / 12), format);
    }
    await page.close();
};

tests.aBookletCountIsAWholeNumberFrom1To60 = async () => {
    const page = await open();
    for (const count of ['2.5', '0', '-3', '61', '']) {
        await page.$eval('#booklet-count', (e, c) => (e.value = c), count);
        await page.click('#booklet');
        assert.equal(await status(page), `Booklet of '${count}' puzzles: give a whole number from 1 to 60.`);
        assert.ok(await page.$eval('#busy', (e) => e.hidden), count);
    }
    await page.select('#grade', 'easy');
    await page.$eval('#booklet-count', (e) => (e.value = '1'));
    await clickAndWait(page, '#booklet');
    assert.equal(await status(page), 'Booklet of 1 puzzle: 2 pages. Print it, or save it as PDF.');
    await page.close();
};

tests.screenshotsAt360And1280 = async () => {
    const puzzle = generated(['--seed', '2', '--grade', 'hard'])[0];
    for (const width of [360, 1280]) {
        const page = await open(`#p=${puzzle}`, width);
        await page.click('#fill');
        await page.keyboard.press('h');
        await page.waitForFunction(() => document.querySelector('[role=status]').textContent.includes('look at'));
        await page.keyboard.press('h');
        // Readable: the board fits the width.
        const boardWidth = await page.$eval('[role=grid]', (e) => e.getBoundingClientRect().right);
        assert.ok(boardWidth <= width, `board ${boardWidth} px wide at ${width}`);
        await page.screenshot({ path: path.join(out, `main-${width}.png`), fullPage: width === 360 });
        await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'dark' }]);
        await page.screenshot({ path: path.join(out, `dark-${width}.png`) });
        await page.close();
    }
};

// ---- Running -----------------------------------------------------------------------

(async () => {
    for (const exe of [solveExe, generateExe]) {
        if (!fs.existsSync(exe)) {
            console.error(`browser_test.js: ${exe}: not found; build the release preset first (the page is compared with it)`);
            process.exit(1);
        }
    }
    fs.mkdirSync(out, { recursive: true });
    const server = await serve(site);
    baseUrl = server.url;
    browser = await launch();
    let failed = 0;
    for (const [name, test] of Object.entries(tests)) {
        if (only && !name.includes(only)) continue;
        const start = Date.now();
        try {
            pageErrors.length = 0;
            await test();
            assert.deepEqual(pageErrors.map(String), [], 'errors in the page');
            console.log(`ok   ${name} (${Date.now() - start} ms)`);
        } catch (error) {
            ++failed;
            console.log(`FAIL ${name}\n${error.stack}`);
        }
    }
    await browser.close();
    server.close();
    console.log(failed ? `${failed} failed` : 'all passed');
    process.exit(failed ? 1 : 0);
})();
