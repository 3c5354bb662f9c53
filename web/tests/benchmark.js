// The web page's figures, measured in headless chromium (medians): first paint, the
// WebAssembly's size compressed, hint and explanation times, generating a hard puzzle,
// rating hard puzzles in the worker against the native program, and the WebAssembly's
// speed against the native build on the same 17-clue puzzles. A benchmark, not a test:
// it prints figures and checks nothing.
//
//   node benchmark.js --site BUILD/site --native build/release/apps
//        --puzzles ../shared/puzzles/17-clue.txt --hardest ../shared/puzzles/hardest.txt [--count 1000]
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const { spawnSync } = require('node:child_process');
const { launch, serve, argument } = require('./harness');

const site = argument('--site');
const solveExe = path.join(argument('--native'), 'sudoku-solve', 'sudoku-solve');
const count = Number(argument('--count') ?? 1000);
const readPuzzles = (file, n) => fs.readFileSync(file, 'utf8').split('\n').filter((l) => l.length >= 81).slice(0, n);
const seventeen = readPuzzles(argument('--puzzles'), count);
const hardest = readPuzzles(argument('--hardest'), 10);

const median = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[Math.floor(sorted.length / 2)];
};
const ms = (value) => `${value.toFixed(2)} ms`;

// The native program's own time for puzzles, on one thread (from --stats), in ms.
function nativeTime(args, puzzles) {
    const run = spawnSync(solveExe, [...args, '--threads', '1', '--stats'], {
        input: puzzles.join('\n') + '\n',
        encoding: 'utf8',
        maxBuffer: 1 << 28,
    });
    const match = /; ([\d.]+) s,/.exec(run.stderr);
    return match ? Number(match[1]) * 1000 : NaN;
}

(async () => {
    const server = await serve(site);
    const browser = await launch();
    const wasm = fs.readFileSync(path.join(site, 'sudoku.wasm'));
    console.log(`WebAssembly: ${wasm.length} bytes, ${zlib.gzipSync(wasm, { level: 9 }).length} gzip -9, ` +
        `${zlib.brotliCompressSync(wasm).length} brotli`);

    // First paint of a fresh page (no cache), five times.
    const paints = [];
    for (let k = 0; k < 5; ++k) {
        const context = await browser.createBrowserContext();
        const page = await context.newPage();
        await page.goto(`${server.url}/index.html`);
        await page.waitForSelector('body[data-ready]');
        paints.push(await page.evaluate(() => performance.getEntriesByName('first-contentful-paint')[0]?.startTime ?? NaN));
        await context.close();
    }
    console.log(`first contentful paint: ${ms(median(paints))}`);

    const page = await browser.newPage();
    await page.goto(`${server.url}/index.html`);
    await page.waitForSelector('body[data-ready]');
    // The binding on the page's thread, loaded again for timing without the page around it.
    await page.evaluate(async () => {
        window.bench = await createSudoku();
    });
    const timeEach = (fn, puzzles, extra = []) =>
        page.evaluate(
            (name, list, more) => {
                const times = [];
                for (const p of list) {
                    const start = performance.now();
                    // '$puzzle' stands for the puzzle itself (hint takes the board and the puzzle).
                    window.bench[name](p, ...more.map((m) => (m === '$puzzle' ? p : m)));
                    times.push(performance.now() - start);
                }
                return times;
            },
            fn, puzzles, extra);

    const sample = seventeen.slice(0, 200);
    // The page's clock ticks in 0.1 ms steps without cross-origin isolation: the mean
    // says more than the median for calls that fast.
    const mean = (times) => times.reduce((a, b) => a + b, 0) / times.length;
    const hints = await timeEach('hint', sample, ['', '$puzzle', '']);
    const explanations = await timeEach('explain', sample, ['']);
    console.log(`hint on ${sample.length} 17-clue puzzles: median ${ms(median(hints))}, mean ${ms(mean(hints))}, max ${ms(Math.max(...hints))}`);
    console.log(`explanation on ${sample.length} 17-clue puzzles: median ${ms(median(explanations))}, mean ${ms(mean(explanations))}, max ${ms(Math.max(...explanations))}`);

    const generateTimes = await page.evaluate(() => {
        const times = [];
        for (let seed = 1; seed <= 21; ++seed) {
            const start = performance.now();
            window.bench.generate('hard', 'rotate180', String(seed), () => {});
            times.push(performance.now() - start);
        }
        return times;
    });
    console.log(`generate hard: median ${ms(median(generateTimes))}`);

    // Rating hardest puzzles in the worker, round trip included, against the native program.
    const workerTimes = await page.evaluate(async (list) => {
        const worker = new Worker('worker.js');
        const ask = (p) => new Promise((resolve) => {
            worker.onmessage = (e) => resolve(e.data);
            worker.postMessage({ id: 1, fn: 'rate', args: [p, ''] });
        });
        await ask(list[0]); // loads the module
        const times = [];
        for (const p of list) {
            const start = performance.now();
            await ask(p);
            times.push(performance.now() - start);
        }
        worker.terminate();
        return times;
    }, hardest);
    const nativeHardest = hardest.map((p) => nativeTime(['--rate'], [p]));
    console.log(`rate hardest (${hardest.length}): worker median ${ms(median(workerTimes))}, ` +
        `native median ${ms(median(nativeHardest))}, ratio ${(median(workerTimes) / median(nativeHardest)).toFixed(2)}`);

    // Throughput on the same puzzles: solve (with a count up to 2) and rate.
    const total = (times) => times.reduce((a, b) => a + b, 0);
    const wasmSolve = total(await timeEach('solve', seventeen, ['']));
    const nativeSolve = nativeTime([], seventeen) + nativeTime(['--count'], seventeen);
    const wasmRate = total(await timeEach('rate', seventeen, ['']));
    const nativeRate = nativeTime(['--rate'], seventeen);
    console.log(`${seventeen.length} 17-clue puzzles, solve+count: wasm ${ms(wasmSolve)}, native ${ms(nativeSolve)}, ` +
        `ratio ${(wasmSolve / nativeSolve).toFixed(2)}`);
    console.log(`${seventeen.length} 17-clue puzzles, rate: wasm ${ms(wasmRate)}, native ${ms(nativeRate)}, ` +
        `ratio ${(wasmRate / nativeRate).toFixed(2)}`);

    await browser.close();
    server.close();
})();
