-- Demo script for the Kx - Querolt demo database.
-- Put the caret on a statement and execute it, or execute everything from here on.

SELECT * FROM customers ORDER BY name;

SELECT o.order_id, c.name, c.city, o.ordered_at, o.shipped_at, o.comment
FROM orders o JOIN customers c ON c.customer_id = o.customer_id
WHERE o.shipped_at IS NULL
ORDER BY o.ordered_at DESC;

/* Best-selling products, with their notes and thumbnails (binary) */
SELECT p.product_id, p.name, p.price, sum(i.quantity) AS sold, p.notes, p.thumbnail
FROM products p LEFT JOIN order_items i ON i.product_id = p.product_id
GROUP BY p.product_id, p.name, p.price, p.notes, p.thumbnail
ORDER BY sold DESC;

SELECT * FROM order_totals WHERE total > 500 ORDER BY total DESC;

UPDATE customers SET city = 'Genève' WHERE city IS NULL AND region_id = 5;

SELECT count(*) AS customers_without_city FROM customers WHERE city IS NULL;
